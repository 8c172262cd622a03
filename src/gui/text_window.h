// The single item query's text window: a small window with an empty title that
// holds one multi-line edit box with the query's report. There is at most one;
// opening a new one closes the previous window first. Non-modal, owned by the
// main window so it goes when the program does. Window thread only.
#pragma once

#include <QWidget>

#include <string>

class QPlainTextEdit;

namespace shelfwatch::gui {

class TextWindow final : public QWidget {
    Q_OBJECT

  public:
    // Designed outer size and position; the edit box fills the client area.
    static constexpr int kDesignedLeft = 50;
    static constexpr int kDesignedTop = 50;
    static constexpr int kDesignedWidth = 380;
    static constexpr int kDesignedHeight = 250;
    static constexpr int kEditWidth = 373;
    static constexpr int kEditHeight = 218;

    explicit TextWindow(QWidget* owner);

    // The edit box's content as GBK text, line ends as CR LF.
    std::string content() const { return m_content; }
    void setContent(const std::string& gbk);
    void append(const std::string& gbk);
    QPlainTextEdit* edit() const { return m_edit; }

  private:
    void render(const std::string& gbk);

    std::string m_content;
    QPlainTextEdit* m_edit = nullptr;
};

// Closes the open text window, if any, and opens a new, empty one.
TextWindow* reopenTextWindow(QWidget* owner);
// The open text window, or nullptr when there is none.
TextWindow* currentTextWindow();

}  // namespace shelfwatch::gui
