#include "gui/text_window.h"

#include "gui/qt_text.h"
#include "text/gbk_text.h"

#include <QPlainTextEdit>
#include <QPointer>

namespace shelfwatch::gui {

namespace {

QPointer<TextWindow>& openWindow() {
    static QPointer<TextWindow> window;
    return window;
}

}  // namespace

TextWindow::TextWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("textWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString());
    m_edit = new QPlainTextEdit(this);
    m_edit->setObjectName("reportPlainTextEdit");
    m_edit->setGeometry(0, 0, kEditWidth, kEditHeight);
    m_edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // The designed client area is what the edit box covers; the frame adds the rest.
    resize(kEditWidth, kEditHeight);
    move(kDesignedLeft, kDesignedTop);
}

void TextWindow::setContent(const std::string& gbk) {
    m_content = gbk;
    render(m_content);
}

void TextWindow::append(const std::string& gbk) {
    m_content += gbk;
    render(m_content);
}

void TextWindow::render(const std::string& gbk) {
    m_edit->setPlainText(fromGbkLines(gbk));
    m_edit->moveCursor(QTextCursor::End);
}

TextWindow* reopenTextWindow(QWidget* owner) {
    QPointer<TextWindow>& window = openWindow();
    if (window) {
        window->close();
        window.clear();
    }
    window = new TextWindow(owner);
    window->show();
    return window;
}

TextWindow* currentTextWindow() { return openWindow().data(); }

}  // namespace shelfwatch::gui
