# Installs the report page's chart library from the npm registry at the version
# pinned by package-lock.json and puts it beside the page as vendor/. Without npm,
# or when the install fails, the build goes on: the page then shows its table and
# a notice instead of the charts.
# Arguments: NPM, SOURCE_DIR, WORK_DIR, DEST_DIR, STAMP.
file(MAKE_DIRECTORY "${WORK_DIR}" "${DEST_DIR}/vendor")
file(COPY "${SOURCE_DIR}/package.json" "${SOURCE_DIR}/package-lock.json" DESTINATION "${WORK_DIR}")
set(library "${WORK_DIR}/node_modules/echarts/dist/echarts.min.js")
if(NPM)
  execute_process(
    COMMAND "${NPM}" ci --prefix "${WORK_DIR}" --no-audit --no-fund --loglevel=error --fetch-retries=1
    RESULT_VARIABLE result OUTPUT_QUIET)
  if(NOT result EQUAL 0)
    message(WARNING "npm ci failed (${result}); the report page will show no charts")
  endif()
else()
  message(WARNING "npm not found; the report page will show no charts")
endif()
if(EXISTS "${library}")
  file(COPY "${library}" "${WORK_DIR}/node_modules/echarts/LICENSE" DESTINATION "${DEST_DIR}/vendor")
endif()
file(TOUCH "${STAMP}")
