// Every modal dialog of the program goes through here: message boxes (title
// "信息：", one OK button), input boxes (prompt, one line, OK and Cancel) and the
// file dialogs. Tests switch on scripting so no dialog ever blocks: messages are
// recorded instead of shown, and input boxes and file dialogs take the next
// queued answer (an exhausted queue cancels). Headless runs (task mode without a
// display) write messages to standard error and cancel input boxes.
// Call from the window thread; the script itself is thread-safe.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace shelfwatch::gui::dialogs {

void showMessage(QWidget* parent, const QString& text);
// nullopt when the user cancels.
std::optional<QString> askText(QWidget* parent, const QString& prompt, const QString& initial);
// The chosen file, or an empty text when the user cancels.
QString saveFileName(QWidget* parent, const QString& caption, const QString& directory,
                     const QString& filter);
QString openFileName(QWidget* parent, const QString& caption, const QString& directory,
                     const QString& filter);

// Headless: no dialog is shown; messages go to standard error.
void setHeadless(bool headless);
bool isHeadless();

// The test script.
void setScripted(bool scripted);
bool isScripted();
void setNextInput(std::optional<QString> answer);  // nullopt answers Cancel
void setNextFileName(const QString& fileName);     // "" answers Cancel
QStringList shownMessages();                       // in order, since the last reset
QStringList shownPrompts();
void resetScript();

}  // namespace shelfwatch::gui::dialogs
