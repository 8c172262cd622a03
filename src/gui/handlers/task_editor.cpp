// The task editor window, opened modally from "任务模式设定".
#include "gui/task_editor.h"

#include "gui/dialogs.h"
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "gui/main_window.h"
#include "gui/qt_text.h"
#include "task/task_config.h"

namespace shelfwatch::gui::handlers {
namespace {

// The category browser's pick mode is not in this build yet: the cell gets what
// a picker closed without a choice gives.
TaskEditor::PickedCategory pickCategory(QWidget* parent) {
    dialogs::showMessage(parent, fromGbk(text::gbk("分类浏览窗口尚未提供")));
    return {};
}

}  // namespace

void onTaskEditorClicked(GuiContext& ctx) {
    TaskEditor editor(task::taskFilePath(ctx.walk.dataDir), &pickCategory, &ctx.window);
    editor.exec();
}

}  // namespace shelfwatch::gui::handlers
