// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/MediaDecoding.h"

#include "stickers/GifTiming.h"
#include "stickers/HeifDecoding.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 maxFileBytes = qint64(512) * 1024 * 1024;
constexpr qint64 bytesPerMegabyte = qint64(1024) * 1024;

// A media file opened for decoding. Its head serves the format checks and the first frame's
// delay; the decoders stream the rest, so the file is never held whole.
class MediaFile final {
public:
    // Nothing opens when the path is no regular file (a FIFO or device named like a picture
    // could block), is empty, unreadable or too large.
    explicit MediaFile(const QString& path)
        : m_path(path)
        , m_file(path) {
        if (!QFileInfo(path).isFile() || !m_file.open(QIODevice::ReadOnly))
            return;
        m_size = m_file.size();
        if (m_size <= 0 || m_size > maxFileBytes)
            return;
        m_head = m_file.read(std::min(m_size, headBytes));
        m_file.seek(0);
    }

    bool isOpen() const { return !m_head.isEmpty(); }
    bool isWhole() const { return m_head.size() == m_size; }
    QByteArrayView head() const { return m_head; }
    QIODevice& device() { return m_file; }

    // The delays of a GIF, read as the file streams by: the file is never held whole for them.
    std::vector<std::optional<double>> gifDelays(std::size_t maxImages) {
        if (isWhole())
            return GifTiming::readDelays(m_head, maxImages);
        QFile stream(m_path);
        if (!stream.open(QIODevice::ReadOnly))
            return {};
        return GifTiming::readDelays(stream, maxImages);
    }

private:
    static constexpr qint64 headBytes = 64 * 1024;

    QString m_path;
    QFile m_file;
    qint64 m_size = 0;
    QByteArray m_head;
};

bool hasHeifSuffix(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(QLatin1String("heic"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("heif"), Qt::CaseInsensitive) == 0;
}

// Qt's GIF reader paints every frame on a canvas of the logical screen, which it leaves out of
// QImageReader::size(); the screen is bytes 6 to 9 of the header.
QSize gifScreen(QByteArrayView bytes) {
    if (bytes.size() < 10)
        return {};
    const auto word = [bytes](qsizetype at) {
        return int(static_cast<unsigned char>(bytes[at])) |
               int(static_cast<unsigned char>(bytes[at + 1])) << 8;
    };
    return QSize(word(6), word(8));
}

// Scales and keeps the frames of one decode while they fit the byte budget, and hands the first
// on as soon as it is ready.
class FrameCollector final {
public:
    FrameCollector(const DecodeRequest& request, const std::function<bool()>& cancelled,
                   const std::function<void(const QImage&, double)>& firstFrame)
        : m_request(request)
        , m_cancelled(cancelled)
        , m_firstFrame(firstFrame)
        , m_frameLimit(request.animated ? request.limits.maxFrames : 1) {
        m_media.frames = FrameStore(request.coding);
        m_media.lease = FrameBudget::Lease(request.budget, request.limits.maxTotalFrameBytes);
    }

    // count frames are coming. A set whose frames, kept whole, would take more than half of
    // what it may hold keeps its keys dense: it then fits whole where it would have been cut.
    void expect(std::size_t count) {
        if (m_media.frames.isEmpty() || m_request.coding != FrameStore::Coding::compressed)
            return;
        const QSize size = m_media.frames.frameSize();
        const qint64 whole = qint64(count) * size.width() * size.height() * 4;
        qint64 room = m_request.limits.maxTotalFrameBytes;
        if (m_request.budget)
            room = std::min(room, m_request.budget->room() + m_media.lease.bytes());
        if (whole > room / 2)
            m_media.frames.keepKeysDense();
    }

    // False once the decode is to end: enough frames, or cancelled.
    bool wantsMore() {
        if (m_media.frames.size() >= m_frameLimit || m_wasCancelled)
            return false;
        m_wasCancelled = m_cancelled && m_cancelled();
        return !m_wasCancelled;
    }

    // frame is at source size, or already reduced by the reader from source; false when it no
    // longer fits the budget, which ends the decode.
    bool add(const QImage& frame, QSize source, double duration) {
        if (m_media.frames.isEmpty()) {
            m_media.sourceSize = source;
            m_media.aspectRatio = double(source.width()) / double(std::max(source.height(), 1));
        }
        // The target already has the frame's aspect; scaling to it exactly avoids rounding twice.
        const QSize target = fittedPixelSize(source, m_request.targetBox);
        // Qt scales a one-bit picture in one bit, losing its colours: anything below 32 bits
        // is converted first.
        const QImage full =
            frame.depth() < 32 ? frame.convertToFormat(QImage::Format_ARGB32_Premultiplied) : frame;
        const QImage scaled = full.size() == target ? full
                                                    : full.scaled(target, Qt::IgnoreAspectRatio,
                                                                  Qt::SmoothTransformation);
        const QImage converted = scaled.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (converted.isNull())
            return false;
        const bool first = m_media.frames.isEmpty();
        const auto reserve = [this, first](qint64 bytes) {
            if (!first)
                return m_media.lease.take(bytes);
            m_media.lease.force(bytes);
            return true;
        };
        if (!m_media.frames.append(converted, reserve)) {
            m_media.truncated = true;
            m_media.cutByBudget = m_media.lease.refusedByBudget();
            return false;
        }
        m_media.durations.append(duration);
        if (first && m_firstFrame)
            m_firstFrame(converted, m_media.aspectRatio);
        return true;
    }

    DecodedMedia result() {
        if (m_wasCancelled)
            return {};
        m_media.frames.finish();
        return std::move(m_media);
    }

private:
    const DecodeRequest& m_request;
    const std::function<bool()>& m_cancelled;
    const std::function<void(const QImage&, double)>& m_firstFrame;
    const int m_frameLimit;
    bool m_wasCancelled = false;
    DecodedMedia m_media;
};

void readWithQt(QImageReader& reader, MediaFile& file, const DecodeRequest& request,
                FrameCollector& collector) {
    const DecodeLimits& limits = request.limits;
    // QImageReader::size() of a GIF scans the whole file; the header gives the canvas at once.
    const bool gif = reader.format() == "gif";
    QSize canvas = gif ? gifScreen(file.head()) : reader.size();

    reader.setAutoTransform(true);
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    const QSize orientedCanvas = turned ? canvas.transposed() : canvas;
    // libjpeg decodes straight to a reduced size, so a large photo needs far less memory.
    const bool reducedByReader =
        reader.format() == "jpeg" && canvas.isValid() && !request.targetBox.isEmpty();
    QSize decoded = canvas;
    if (reducedByReader) {
        decoded =
            fittedPixelSize(canvas, turned ? request.targetBox.transposed() : request.targetBox);
        reader.setScaledSize(decoded);
    }
    // The side bound applies to the source, the allocation limit to what is decoded from it.
    const QSize sideBound(limits.maxCanvasSide, limits.maxCanvasSide);
    if (canvas.isValid() && (canvas.boundedTo(sideBound) != canvas || !limits.allowsImage(decoded)))
        return;

    // The first frame's delay needs only the start of the file, so the first frame shows before
    // the rest of the delays are read.
    std::vector<std::optional<double>> delays;
    if (request.animated) {
        delays = GifTiming::readDelays(file.head(), 1);
        if (delays.empty())
            delays = file.gifDelays(1);
    }
    // Sequential readers cannot skip a broken frame, so the first failure ends the animation.
    for (std::size_t index = 0; collector.wantsMore() && reader.canRead(); ++index) {
        if (index == 1 && request.animated) {
            delays = file.gifDelays(std::size_t(std::max(limits.maxFrames, 0)));
            collector.expect(delays.size());
        }
        QImage frame;
        if (!reader.read(&frame) || !limits.allowsImage(frame.size()))
            return;
        const std::optional<double> delay = index < delays.size() ? delays[index] : std::nullopt;
        const QSize source = reducedByReader ? orientedCanvas : frame.size();
        if (!collector.add(frame, source, GifTiming::frameDuration(delay)))
            return;
    }
}

void readWithLibheif(const QString& path, const DecodeLimits& limits, FrameCollector& collector) {
    if (!collector.wantsMore())
        return;
    const QImage image = HeifDecoding::decodePrimaryImage(path, limits);
    if (!image.isNull())
        collector.add(image, image.size(), GifTiming::frameDuration(std::nullopt));
}

} // namespace

bool DecodedMedia::mayGrow() const {
    const FrameBudget* budget = lease.budget();
    return cutByBudget && budget && budget->room() >= 2 * byteCount();
}

bool DecodeLimits::allowsImage(QSize size) const {
    if (size.width() <= 0 || size.height() <= 0 || size.width() > maxCanvasSide ||
        size.height() > maxCanvasSide)
        return false;
    return qint64(size.width()) * size.height() * 4 <= qint64(allocationLimitMb) * bytesPerMegabyte;
}

DecodedMedia decodeMedia(const DecodeRequest& request, const std::function<bool()>& cancelled,
                         const std::function<void(const QImage&, double)>& firstFrame) {
    MediaFile file(request.path);
    if (!file.isOpen())
        return {};
    FrameCollector collector(request, cancelled, firstFrame);
    // The reader decides by content alone, so a misnamed file still decodes.
    QImageReader reader(&file.device());
    if (HeifDecoding::isHeif(file.head()) || (hasHeifSuffix(request.path) && !reader.canRead()))
        readWithLibheif(request.path, request.limits, collector);
    else
        readWithQt(reader, file, request, collector);
    return collector.result();
}

QSize fittedPixelSize(QSize source, QSize box) {
    if (box.isEmpty())
        return source;
    if (source.isEmpty())
        return QSize(std::clamp(source.width(), 0, box.width()),
                     std::clamp(source.height(), 0, box.height()));
    if (source.width() <= box.width() && source.height() <= box.height())
        return source;
    const double scale =
        std::min(double(box.width()) / source.width(), double(box.height()) / source.height());
    // Rounding can only reach, never pass, the box; a sliver keeps at least one pixel.
    const auto side = [scale](int length, int bound) {
        return std::clamp(int(std::lround(length * scale)), 1, bound);
    };
    return QSize(side(source.width(), box.width()), side(source.height(), box.height()));
}
