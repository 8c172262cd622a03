// The one crossing between the core's GBK texts and Qt's Unicode strings: every
// widget, dialog and test converts through these. Pure functions; any thread.
#pragma once

#include "text/gbk_text.h"

#include <QString>

#include <string>

namespace shelfwatch::gui {

// A GBK text as Qt shows it.
inline QString fromGbk(const std::string& gbk) { return QString::fromStdU16String(text::gbkToUtf16(gbk)); }

// The same for multi-line widgets, which want line feeds where the core writes CR LF.
inline QString fromGbkLines(const std::string& gbk) {
    QString text = fromGbk(gbk);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

// What a widget holds, as a GBK text for the core.
inline std::string toGbk(const QString& text) { return text::utf8ToGbk(text.toStdString()); }

}  // namespace shelfwatch::gui
