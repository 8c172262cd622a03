#include "gui/dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include <cstdio>
#include <deque>
#include <mutex>

namespace shelfwatch::gui::dialogs {
namespace {

struct Script {
    std::mutex mutex;
    bool scripted = false;
    bool headless = false;
    struct Input {
        bool cancel = false;
        QString text;
    };
    std::deque<Input> inputs;
    std::deque<QString> fileNames;
    QStringList messages;
    QStringList prompts;
};

Script& script() {
    static Script instance;
    return instance;
}

QString messageTitle() { return QStringLiteral("信息："); }

// nullopt: not scripted, show the real dialog.
std::optional<QString> scriptedFileName(const QString& caption) {
    Script& s = script();
    std::lock_guard lock(s.mutex);
    if (!s.scripted && !s.headless) return std::nullopt;
    s.prompts.append(caption);
    if (s.fileNames.empty()) return QString();
    QString name = s.fileNames.front();
    s.fileNames.pop_front();
    return name;
}

}  // namespace

void showMessage(QWidget* parent, const QString& text) {
    Script& s = script();
    {
        std::lock_guard lock(s.mutex);
        if (s.scripted) {
            s.messages.append(text);
            return;
        }
        if (s.headless) {
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
            return;
        }
    }
    QMessageBox box(QMessageBox::Information, messageTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

std::optional<QString> askText(QWidget* parent, const QString& prompt, const QString& initial) {
    Script& s = script();
    {
        std::lock_guard lock(s.mutex);
        if (s.scripted || s.headless) {
            s.prompts.append(prompt);
            if (s.headless && !s.scripted) {
                std::fprintf(stderr, "%s\n", prompt.toLocal8Bit().constData());
            }
            if (s.inputs.empty()) return std::nullopt;
            const Script::Input answer = s.inputs.front();
            s.inputs.pop_front();
            if (answer.cancel) return std::nullopt;
            return answer.text;
        }
    }
    QInputDialog dialog(parent);
    dialog.setWindowTitle(messageTitle());
    dialog.setLabelText(prompt);
    dialog.setTextValue(initial);
    dialog.setInputMode(QInputDialog::TextInput);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue();
}

QString saveFileName(QWidget* parent, const QString& caption, const QString& directory,
                     const QString& filter) {
    if (std::optional<QString> name = scriptedFileName(caption)) return *name;
    return QFileDialog::getSaveFileName(parent, caption, directory, filter);
}

QString openFileName(QWidget* parent, const QString& caption, const QString& directory,
                     const QString& filter) {
    if (std::optional<QString> name = scriptedFileName(caption)) return *name;
    return QFileDialog::getOpenFileName(parent, caption, directory, filter);
}

void setHeadless(bool headless) {
    std::lock_guard lock(script().mutex);
    script().headless = headless;
}

bool isHeadless() {
    std::lock_guard lock(script().mutex);
    return script().headless;
}

void setScripted(bool scripted) {
    std::lock_guard lock(script().mutex);
    script().scripted = scripted;
}

bool isScripted() {
    std::lock_guard lock(script().mutex);
    return script().scripted;
}

void setNextInput(std::optional<QString> answer) {
    std::lock_guard lock(script().mutex);
    script().inputs.push_back({!answer.has_value(), answer.value_or(QString())});
}

void setNextFileName(const QString& fileName) {
    std::lock_guard lock(script().mutex);
    script().fileNames.push_back(fileName);
}

QStringList shownMessages() {
    std::lock_guard lock(script().mutex);
    return script().messages;
}

QStringList shownPrompts() {
    std::lock_guard lock(script().mutex);
    return script().prompts;
}

void resetScript() {
    Script& s = script();
    std::lock_guard lock(s.mutex);
    s.inputs.clear();
    s.fileNames.clear();
    s.messages.clear();
    s.prompts.clear();
}

}  // namespace shelfwatch::gui::dialogs
