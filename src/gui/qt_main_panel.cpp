#include "gui/qt_main_panel.h"

#include "gui/dialogs.h"
#include "gui/main_window.h"
#include "gui/qt_text.h"
#include "gui/result_table_model.h"
#include "table/result_table.h"
#include "text/gbk_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QThread>

namespace shelfwatch::gui {
namespace {}  // namespace

QtMainPanel::QtMainPanel(MainWindow& window) : m_window(&window), m_windowThread(window.thread()) {}

bool QtMainPanel::onWindowThread(const std::function<void()>& work) const {
    if (QThread::currentThread() == m_windowThread) {
        if (!m_window) return false;
        work();
        return true;
    }
    // Counted before the flag is read, so shutDown() either sees this call and
    // serves it, or this call sees the flag and does not wait.
    ++m_workerCallsInFlight;
    bool done = false;
    if (!m_shutDown.load()) {
        done = QMetaObject::invokeMethod(
            m_window.data(),
            [this, &work] {
                if (m_window) work();
            },
            Qt::BlockingQueuedConnection);
    }
    --m_workerCallsInFlight;
    return done;
}

std::string QtMainPanel::keyword() const {
    std::string result;
    onWindowThread([&] { result = toGbk(m_window->keywordEdit()->text()); });
    return result;
}

void QtMainPanel::setKeyword(const std::string& text) {
    onWindowThread([&] { m_window->keywordEdit()->setText(fromGbk(text)); });
}

std::string QtMainPanel::pageCountText() const {
    std::string result;
    onWindowThread([&] { result = toGbk(m_window->pageCountEdit()->text()); });
    return result;
}

void QtMainPanel::setPageCountText(const std::string& text) {
    onWindowThread([&] { m_window->pageCountEdit()->setText(fromGbk(text)); });
}

std::string QtMainPanel::region() const {
    std::string result;
    onWindowThread([&] { result = toGbk(m_window->regionEdit()->text()); });
    return result;
}

int QtMainPanel::sortIndex() const {
    int result = -1;
    onWindowThread([&] { result = m_window->sortCombo()->currentIndex(); });
    return result;
}

int QtMainPanel::directionIndex() const {
    int result = -1;
    onWindowThread([&] { result = m_window->directionCombo()->currentIndex(); });
    return result;
}

std::string QtMainPanel::status() const {
    std::string result;
    onWindowThread([&] { result = m_window->statusText(); });
    return result;
}

void QtMainPanel::setStatus(const std::string& text) {
    onWindowThread([&] { m_window->setStatusText(text); });
}

std::string QtMainPanel::progress() const {
    std::string result;
    onWindowThread([&] { result = m_window->progressText(); });
    return result;
}

void QtMainPanel::setProgress(const std::string& text) {
    onWindowThread([&] { m_window->setProgressText(text); });
}

bool QtMainPanel::isEnabled(panel::Control control) const {
    bool result = false;
    onWindowThread([&] {
        if (QWidget* widget = m_window->control(control)) result = widget->isEnabled();
    });
    return result;
}

void QtMainPanel::setEnabled(panel::Control control, bool enabled) {
    onWindowThread([&] {
        if (QWidget* widget = m_window->control(control)) widget->setEnabled(enabled);
        if (control == panel::Control::ResultTable) m_window->tableModel()->table().setEnabled(enabled);
    });
}

std::string QtMainPanel::searchButtonCaption() const {
    std::string result;
    onWindowThread([&] { result = toGbk(m_window->searchButton()->text()); });
    return result;
}

void QtMainPanel::setSearchButtonCaption(const std::string& text) {
    onWindowThread([&] { m_window->searchButton()->setText(fromGbk(text)); });
}

void QtMainPanel::setCollectProgressVisible(bool visible) {
    onWindowThread([&] { m_window->setCollectProgressVisible(visible); });
}

void QtMainPanel::setCollectProgressLines(const std::string& line1, const std::string& line2) {
    onWindowThread([&] { m_window->setCollectProgressLines(line1, line2); });
}

void QtMainPanel::showMessage(const std::string& text) {
    onWindowThread([&] { dialogs::showMessage(m_window.data(), fromGbk(text)); });
}

std::optional<std::string> QtMainPanel::askText(const std::string& prompt, const std::string& initial) {
    std::optional<std::string> result;
    onWindowThread([&] {
        std::optional<QString> answer = dialogs::askText(m_window.data(), fromGbk(prompt), fromGbk(initial));
        if (answer) result = toGbk(*answer);
    });
    return result;
}

void QtMainPanel::processEvents() {
    if (QThread::currentThread() == m_windowThread) QCoreApplication::processEvents();
}

void QtMainPanel::setWindowVisible(bool visible) {
    onWindowThread([&] { m_window->setVisible(visible); });
}

void QtMainPanel::shutDown() {
    m_shutDown.store(true);
    while (m_workerCallsInFlight.load() > 0) {
        QCoreApplication::sendPostedEvents();
        QThread::yieldCurrentThread();
    }
}

}  // namespace shelfwatch::gui
