#include "gui/preview_window.h"

#include "gui/qt_text.h"
#include "text/gbk_text.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QResizeEvent>
#include <QTemporaryFile>

#include <algorithm>

namespace shelfwatch::gui {

using text::gbk;

namespace {

// Whether the file's data runs to the format's end marker: readers fill a cut
// picture with grey and call it a success, which would show a broken picture.
bool complete(const QByteArray& bytes, const QByteArray& format) {
    if (format == "jpeg" || format == "jpg") return bytes.endsWith(QByteArray("\xff\xd9", 2));
    if (format == "png") return bytes.contains(QByteArray("IEND", 4));
    if (format == "gif") return bytes.endsWith(';');
    return true;
}

}  // namespace

std::string convertReason(int code) {
    switch (code) {
        case kConvertNoFile:
            return gbk("文件不存在");
        case kConvertNoResources:
            return gbk(" 系统资源不足");
        case kConvertUnsupported:
            return gbk("该文件格式不被支持");
        case kConvertEncodeError:
            return gbk("编码时出错");
        case kConvertEncodeNoResources:
            return gbk("编码时系统资源不足");
        case kConvertEncodeParameters:
            return gbk("编码参数错误");
        default:
            return gbk(" 未知错误");
    }
}

int convertToBitmap(const QString& source, const QString& bitmap) {
    QFile file(source);
    if (!file.exists()) return kConvertNoFile;
    if (!file.open(QIODevice::ReadOnly)) return kConvertNoFile;
    const QByteArray bytes = file.readAll();
    file.close();

    QImageReader reader(source);
    const QByteArray format = reader.format();
    if (format.isEmpty() || !reader.canRead()) return kConvertUnsupported;
    const QSize size = reader.size();
    if (size.isValid() && static_cast<qint64>(size.width()) * size.height() > kMaxPreviewPixels)
        return kConvertNoResources;
    if (!complete(bytes, format)) return kConvertUnknown;
    // The reader's own cap, in case the header understates what decoding takes.
    reader.setAllocationLimit(256);
    const QImage image = reader.read();
    if (image.isNull()) {
        return reader.error() == QImageReader::UnsupportedFormatError ? kConvertUnsupported : kConvertUnknown;
    }
    QImageWriter writer(bitmap, "bmp");
    if (!writer.write(image.convertToFormat(QImage::Format_RGB32)))
        return writer.error() == QImageWriter::UnsupportedFormatError ? kConvertEncodeParameters
                                                                      : kConvertEncodeError;
    return kConvertOk;
}

std::string mainPictureAddress(const std::string& page) {
    const std::size_t marker = page.find("id=\"J_ImgBooth\"");
    const std::size_t from = marker == std::string::npos ? 0 : marker;
    const std::size_t src = page.find("src=\"", from);
    if (src == std::string::npos) return {};
    const std::size_t start = src + 5;
    const std::size_t end = page.find('"', start);
    return page.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

PreviewWindow::PreviewWindow(net::Fetcher& fetcher, QWidget* parent)
    : QWidget(parent, Qt::Window), m_fetcher(fetcher) {
    setObjectName(QStringLiteral("previewWindow"));
    setWindowTitle(QStringLiteral("商品图片"));
    resize(300, 300);
    m_board = new QLabel(this);
    m_board->setObjectName(QStringLiteral("pictureBoard"));
    m_board->setAlignment(Qt::AlignCenter);
    m_board->setScaledContents(true);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("messageLabel"));
    m_message->setGeometry(8, 8, 284, 40);
    m_message->setWordWrap(true);
    m_message->setStyleSheet(QStringLiteral("QLabel { background: #ffffe0; color: #a00000; padding: 4px; }"));
    m_message->hide();
    m_busy = new QProgressBar(this);
    m_busy->setObjectName(QStringLiteral("busyIndicator"));
    m_busy->setRange(0, 0);  // an endless sweep: the waiting animation
    m_busy->setTextVisible(false);
    m_busy->setGeometry(8, 56, 120, 12);
    m_busy->show();
}

void PreviewWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_board->setGeometry(1, 1, width() - 2, height() - 2);
}

void PreviewWindow::fail(const std::string& gbkText) {
    m_message->setText(fromGbk(gbkText));
    const int labelWidth = std::max(120, width() - 16);
    m_message->setGeometry(8, 8, labelWidth, m_message->heightForWidth(labelWidth));
    m_message->raise();
    m_message->show();
}

void PreviewWindow::showItemPicture(const std::string& address) {
    if (!isVisible()) show();
    raise();
    m_message->hide();
    m_busy->raise();
    m_busy->show();

    const std::string page = m_fetcher.fetchPage(address, "");
    const net::Download picture = m_fetcher.download(mainPictureAddress(page));
    if (!picture.succeeded()) {
        fail(gbk("获取图片失败。请重试"));
        m_busy->hide();
        return;
    }
    // Fresh names from the system's secure temporary-file call; removed when
    // these objects go, whatever happens below.
    QTemporaryFile download(QDir::tempPath() + QStringLiteral("/shelfwatch-picture-XXXXXX"));
    QTemporaryFile bitmapName(QDir::tempPath() + QStringLiteral("/shelfwatch-bitmap-XXXXXX"));
    const bool written = download.open() &&
                         download.write(picture.body.data(), static_cast<qint64>(picture.body.size())) ==
                             static_cast<qint64>(picture.body.size()) &&
                         download.flush();
    if (!written) {
        fail(gbk("缓存商品图片失败！请重试。"));
        m_busy->hide();
        return;
    }
    download.close();
    bitmapName.open();
    const QString bitmap = bitmapName.fileName() + QStringLiteral(".bmp");
    const int code = convertToBitmap(download.fileName(), bitmap);
    if (code <= 0) {
        QFile::remove(bitmap);
        fail(gbk("转换验证码图片失败！") + convertReason(code));
        m_busy->hide();
        return;
    }
    const QImage shown(bitmap, "bmp");
    QFile::remove(bitmap);
    if (!shown.isNull()) {
        const int w = shown.width();
        const int h = shown.height();
        if (w > 550 || h > 550)
            resize(w / 2, h / 2);
        else
            resize(w, h);
        m_board->setPixmap(QPixmap::fromImage(shown));
    }
    m_busy->hide();
}

}  // namespace shelfwatch::gui
