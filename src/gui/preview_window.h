// The item's main picture in a small window of its own, opened by a double-click
// on a table row and reused for the next one. The picture is fetched, converted
// to a bitmap file through Qt's image readers and shown; failures are reported in
// the window's label, and the previous picture stays.
#pragma once

#include "net/page_fetcher.h"

#include <QString>
#include <QWidget>

#include <string>

class QLabel;
class QProgressBar;

namespace shelfwatch::gui {

// The converter's answer: a positive number on success, 0 or -1 .. -6 on failure.
enum ConvertResult : int {
    kConvertOk = 1,
    kConvertUnknown = 0,
    kConvertNoFile = -1,
    kConvertNoResources = -2,
    kConvertUnsupported = -3,
    kConvertEncodeError = -4,
    kConvertEncodeNoResources = -5,
    kConvertEncodeParameters = -6,
};
// The reason text (GBK) of a failure code; codes below -6 read as code 0.
std::string convertReason(int code);
// Converts the picture file `source` (JPEG, PNG, GIF, BMP) into a BMP file at
// `bitmap`. A picture that claims more pixels than kMaxPreviewPixels is refused
// before anything is allocated, and one whose data ends early is not shown half.
int convertToBitmap(const QString& source, const QString& bitmap);
inline constexpr qint64 kMaxPreviewPixels = 40LL * 1000 * 1000;

// The address of the main picture in an item page (GBK): after the first src="
// at or after the J_ImgBooth marker (from the page start without it).
std::string mainPictureAddress(const std::string& page);

class PreviewWindow final : public QWidget {
    Q_OBJECT
  public:
    explicit PreviewWindow(net::Fetcher& fetcher, QWidget* parent = nullptr);

    // Fetches the item page at `address` (GBK) and shows its main picture.
    // Blocks until the picture is shown or a failure is reported.
    void showItemPicture(const std::string& address);

    QLabel* messageLabel() const { return m_message; }
    QLabel* pictureBoard() const { return m_board; }
    QProgressBar* busyIndicator() const { return m_busy; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void fail(const std::string& gbkText);

    net::Fetcher& m_fetcher;
    QProgressBar* m_busy = nullptr;
    QLabel* m_message = nullptr;
    QLabel* m_board = nullptr;
};

}  // namespace shelfwatch::gui
