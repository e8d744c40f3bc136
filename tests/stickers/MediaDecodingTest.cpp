// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/MediaDecoding.h"

#include "stickers/GifTiming.h"
#include "stickers/MediaCache.h"
#include "support/GifBuilder.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <libheif/heif_cxx.h>
#include <optional>
#include <tuple>

namespace {

using Delays = std::vector<std::optional<double>>;

// Delays between other extensions; a GCE with no image is overridden by a later one and applies
// to the next image only. The larger image spans several data sub-blocks.
const QByteArray sample = GifBuilder()
                              .addExtension(0xFF, QByteArray("NETSCAPE2.0\x03\x01\x00\x00", 15))
                              .addFrame({2, 2}, Qt::red, 0)
                              .addFrame({2, 2}, Qt::red, 1)
                              .addControlExtension(7)
                              .addControlExtension(3)
                              .addFrame({2, 2}, Qt::red)
                              .addExtension(0xFE, QByteArray(600, '\x2C'))
                              .addFrame({30, 30}, Qt::red)
                              .addFrame({2, 2}, Qt::red, 2)
                              .addFrame({2, 2}, Qt::red, 65535)
                              .build();
const Delays sampleDelays{0.0, 0.01, 0.03, std::nullopt, 0.02, 655.35};

QImage filled(QSize size, QColor colour) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

// A small PNG whose IHDR, checksum included, claims size.
QByteArray pngClaiming(QSize size) {
    QByteArray png = encoded(filled({4, 4}, Qt::red), "png");
    qToBigEndian(quint32(size.width()), png.data() + 16);
    qToBigEndian(quint32(size.height()), png.data() + 20);
    quint32 crc = 0xFFFFFFFFU;
    for (const char byte : png.sliced(12, 17)) {
        crc ^= static_cast<unsigned char>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320U & (0U - (crc & 1U)));
    }
    qToBigEndian(~crc, png.data() + 29);
    return png;
}

// False when this libheif cannot encode HEVC.
bool writeHeic(const QString& path, QSize size, QColor colour) {
    if (!heif_have_encoder_for_format(heif_compression_HEVC))
        return false;
    heif::Image image;
    image.create(size.width(), size.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGBA);
    image.add_plane(heif_channel_interleaved, size.width(), size.height(), 8);
    int stride = 0;
    uint8_t* plane = image.get_plane(heif_channel_interleaved, &stride);
    const QImage source = filled(size, colour).convertToFormat(QImage::Format_RGBA8888);
    for (int y = 0; y < size.height(); ++y)
        std::copy_n(source.constScanLine(y), size.width() * 4, plane + y * stride);
    heif::Context context;
    heif::Encoder encoder(heif_compression_HEVC);
    context.encode_image(image, encoder);
    context.write_to_file(path.toStdString());
    return true;
}

bool centreIs(const QImage& image, QColor colour) {
    const QColor pixel = image.pixelColor(image.width() / 2, image.height() / 2);
    return std::abs(pixel.red() - colour.red()) < 12 &&
           std::abs(pixel.green() - colour.green()) < 12 &&
           std::abs(pixel.blue() - colour.blue()) < 12;
}

class MediaDecodingTest : public testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        writeFile(m_dir.filePath(name), bytes);
        return m_dir.filePath(name);
    }

    static DecodedMedia decode(const QString& path, bool animated = true, QSize box = {},
                               DecodeLimits limits = {}, std::shared_ptr<FrameBudget> budget = {}) {
        return decodeMedia(
            {path, animated, box, limits, std::move(budget), FrameStore::Coding::compressed});
    }

    QTemporaryDir m_dir;
};

using Media = std::shared_ptr<const DecodedMedia>;

class MediaCacheTest : public MediaDecodingTest {
protected:
    // A two-frame 100×100 GIF, written on first use, fitted into box.
    DecodeRequest gif(const QString& name, QSize box = {50, 50}) {
        const QString path = m_dir.filePath(name);
        if (!QFileInfo::exists(path))
            write(name, GifBuilder()
                            .addFrame({100, 100}, Qt::red, 5)
                            .addFrame({100, 100}, Qt::blue, 5)
                            .build());
        return {path, true, box, {}, nullptr, FrameStore::Coding::compressed};
    }

    static Media fetch(MediaCache& cache, const DecodeRequest& request) {
        Media media;
        const auto ticket = cache.request(request, {}, [&](Media m) { media = std::move(m); });
        EXPECT_TRUE(waitUntil([&] { return media != nullptr; }));
        return media;
    }

    MediaCache m_cache;
};

} // namespace

// As built, with a 256-entry global colour table, as GIF87a, and cut anywhere: a prefix. Noise
// after a header gives few delays, and other formats none.
TEST(GifTiming, ReadsTheRawDelayOfEachImageAndSkipsEverythingElse) {
    QByteArray withTable = sample;
    withTable[10] = char(0x87);
    withTable.insert(13, QByteArray(3 * 256, '\x3B'));
    QByteArray old = sample;
    old[4] = '7';
    for (const QByteArray& gif : {sample, withTable, old})
        EXPECT_EQ(GifTiming::readDelays(gif), sampleDelays);
    for (qsizetype length = 0; length < sample.size(); ++length) {
        const Delays part = GifTiming::readDelays(QByteArrayView(sample).first(length));
        ASSERT_LE(part.size(), sampleDelays.size());
        EXPECT_TRUE(std::equal(part.begin(), part.end(), sampleDelays.begin())) << length;
    }
    QRandomGenerator random(7);
    const QByteArray header = GifBuilder().addFrame({1, 1}, Qt::red, 1).build().chopped(1);
    for (int round = 0; round < 200; ++round) {
        QByteArray noise(qsizetype(random.bounded(1, 400)), '\0');
        for (char& byte : noise)
            byte = char(random.bounded(256));
        EXPECT_LE(GifTiming::readDelays(header + noise).size(), 1U + noise.size() / 10);
    }
    for (const char* other : {"\x89PNG\r\n\x1a\n0000000000", "GIF88a0000000", ""})
        EXPECT_TRUE(GifTiming::readDelays(QByteArray(other)).empty()) << other;
}

// Frames placed partly or wholly outside the canvas are clipped to it. Short delays are held at
// 0.02 s, a missing one is 0.08 s, and a long one is kept.
TEST_F(MediaDecodingTest, DecodesEveryFrameOfAGifWithItsDuration) {
    const QString path = write("a.gif", GifBuilder()
                                            .setScreen(40, 20)
                                            .addFrame({40, 20}, Qt::red, 0)
                                            .addFrame({40, 20}, Qt::green, 3)
                                            .addFrame({4, 4}, Qt::red, {}, {50, 30})
                                            .addFrame({40, 20}, Qt::blue, 65535, {20, 10})
                                            .build());
    const DecodedMedia media = decode(path);
    ASSERT_EQ(media.frames.size(), 4);
    EXPECT_EQ(media.durations, (QList<double>{0.02, 0.03, 0.08, 655.35}));
    EXPECT_EQ(media.frames.frameSize(), QSize(40, 20));
    EXPECT_TRUE(centreIs(media.frames.frame(2), Qt::green));
    EXPECT_TRUE(centreIs(media.frames.frame(3), Qt::blue));
    const DecodedMedia still = decode(path, false);
    ASSERT_EQ(still.frames.size(), 1);
    EXPECT_TRUE(centreIs(still.frames.frame(0), Qt::red));
}

TEST(MediaDecoding, FitsIntoTheBoxButNeverAboveTheSource) {
    // Source, box, fitted: a sliver keeps one pixel, an empty box means the source size.
    const QSize fits[][3] = {{{50, 100}, {40, 40}, {20, 40}},
                             {{200, 100}, {1000, 1000}, {200, 100}},
                             {{10000, 1}, {100, 100}, {100, 1}},
                             {{10, 0}, {5, 5}, {5, 0}},
                             {{30, 30}, {0, 40}, {30, 30}}};
    for (const auto& [source, box, fitted] : fits)
        EXPECT_EQ(fittedPixelSize(source, box), fitted) << source.width() << "x" << source.height();
}

TEST_F(MediaDecodingTest, HandsOnTheFirstFrameOnceAndStopsWhenCancelled) {
    const QByteArray gif = GifBuilder()
                               .addFrame({8, 4}, Qt::red, 5)
                               .addFrame({8, 4}, Qt::green, 5)
                               .addFrame({8, 4}, Qt::blue, 5)
                               .build();
    const DecodeRequest request{write("a.gif", gif),           true, {}, {}, {},
                                FrameStore::Coding::compressed};
    int checks = 0, cancelAt = 100, firsts = 0;
    const auto cancelled = [&] { return ++checks > cancelAt; };
    const auto first = [&](const QImage& image, double aspect) {
        ++firsts;
        EXPECT_EQ(checks, 1);
        EXPECT_EQ(image.width(), 8);
        EXPECT_DOUBLE_EQ(aspect, 2.0);
    };
    EXPECT_EQ(decodeMedia(request, cancelled, first).frames.size(), 3);
    EXPECT_EQ(firsts, 1);
    for (const int at : {1, 0}) {
        checks = 0;
        cancelAt = at;
        EXPECT_TRUE(decodeMedia(request, cancelled, first).isEmpty()) << at;
    }
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(firsts, 2);

    // A cut file keeps the frames before the cut.
    const DecodedMedia cut = decode(write("cut.gif", gif.first(gif.size() * 5 / 6)));
    EXPECT_GE(cut.frames.size(), 2);
    EXPECT_LE(cut.frames.size(), 3);
}

// The last part is a small file of many frames on a large canvas.
TEST_F(MediaDecodingTest, ManyFramesStayWithinTheShareTheBoundAndTheBudget) {
    GifBuilder builder;
    for (int i = 0; i < 5000; ++i)
        builder.addFrame({1, 1}, i % 2 ? Qt::red : Qt::green, 1);
    const QString path = write("many.gif", builder.build());
    const DecodedMedia all = decode(path);
    ASSERT_EQ(all.frames.size(), 5000);
    EXPECT_EQ(all.durations.count(0.02), 5000);
    EXPECT_FALSE(all.truncated || all.frames.keepsKeysDense());
    const qint64 share = all.byteCount() / 10;
    const DecodedMedia budgeted = decode(path, true, {}, {.maxTotalFrameBytes = share});
    EXPECT_GT(budgeted.frames.size(), 1);
    EXPECT_EQ(budgeted.durations.size(), budgeted.frames.size());
    EXPECT_LE(budgeted.byteCount(), share);
    EXPECT_TRUE(budgeted.truncated);
    EXPECT_EQ(decode(path, true, {}, {.maxTotalFrameBytes = 3}).frames.size(), 1);
    const DecodedMedia bounded = decode(path, true, {}, {.maxFrames = 4});
    EXPECT_EQ(bounded.frames.size(), 4);
    EXPECT_FALSE(bounded.truncated);

    GifBuilder bomb;
    bomb.setScreen(1200, 1200);
    for (int i = 0; i < 400; ++i)
        bomb.addFrame({1, 1}, i % 2 ? Qt::red : Qt::blue, 0, {i * 3, (i * 7) % 1200});
    const auto budget = std::make_shared<FrameBudget>(qint64(2) * 1024 * 1024);
    {
        const DecodedMedia media =
            decode(write("bomb.gif", bomb.build()), true, {600, 600}, {}, budget);
        EXPECT_EQ(media.frames.size(), 400);
        // Frames that would fill more than half the budget whole are kept as densely as they go.
        EXPECT_TRUE(media.frames.keepsKeysDense());
        EXPECT_EQ(budget->used(), media.byteCount());
        EXPECT_LE(budget->used(), budget->limit());
    }
    EXPECT_EQ(budget->used(), 0);
}

// Paletted PNGs load with a colour table, which scaling down must keep.
TEST_F(MediaDecodingTest, DecodesStillPicturesByContentWhateverTheirName) {
    const QColor colour(20, 120, 220);
    const QImage plain = filled({64, 32}, colour);
    const QList<QRgb> palette{colour.rgb(), qRgb(255, 255, 255)};
    const QImage mono = plain.convertToFormat(QImage::Format_Mono, palette);
    const QImage indexed = plain.convertToFormat(QImage::Format_Indexed8, palette);
    const std::pair<const char*, QImage> stills[] = {
        {"png", plain}, {"jpeg", plain}, {"webp", plain}, {"png", mono}, {"png", indexed}};
    QStringList paths;
    for (const auto& [format, image] : stills)
        paths.append(write(QString::number(paths.size()) + ".gif", encoded(image, format)));
    const QString heic = m_dir.filePath("photo.HEIC");
    if (writeHeic(heic, {64, 32}, colour)) {
        paths << heic << write("photo.png", readFile(heic));
        EXPECT_TRUE(decode(heic, true, {}, {.maxCanvasSide = 60}).isEmpty());
    }
    for (const QString& path : paths) {
        const DecodedMedia media = decode(path, true, {32, 32});
        ASSERT_EQ(media.frames.size(), 1) << path.toStdString();
        EXPECT_EQ(media.frames.frame(0).size(), QSize(32, 16));
        EXPECT_EQ(media.sourceSize, QSize(64, 32));
        EXPECT_TRUE(centreIs(media.frames.frame(0), colour)) << path.toStdString();
    }
}

TEST_F(MediaDecodingTest, RefusesHostileOrBrokenFilesBeforeDecoding) {
    // libjpeg decodes a reduced picture, which fits where the full one would not.
    const QImage large = filled({1000, 600}, Qt::red);
    const DecodeLimits oneMb{.allocationLimitMb = 1};
    const DecodedMedia jpeg =
        decode(write("a.jpg", encoded(large, "jpeg")), false, {300, 300}, oneMb);
    ASSERT_EQ(jpeg.frames.size(), 1);
    EXPECT_EQ(jpeg.frames.frame(0).size(), QSize(300, 180));
    EXPECT_EQ(jpeg.sourceSize, QSize(1000, 600));

    // Canvases of the header, not of the frames: a GIF's logical screen, a PNG's claimed size.
    const std::tuple<const char*, QByteArray, DecodeLimits> refused[] = {
        {"a.png", encoded(large, "png"), oneMb},
        {"screen.gif", GifBuilder().setScreen(1000, 1000).addFrame({4, 4}, Qt::red, 5).build(),
         oneMb},
        {"huge.gif", GifBuilder().setScreen(65535, 65535).addFrame({4, 4}, Qt::red, 5).build(), {}},
        {"claim.png", pngClaiming({100000, 100000}), {}},
        {"wide.png", encoded(filled({300, 10}, Qt::red), "png"), {.maxCanvasSide = 200}},
        {"empty.gif", {}, {}},
        {"text.png", "just some words, no picture", {}},
        {"text.heic", "just some words, no picture", {}},
        {"header.gif", "GIF89a", {}},
    };
    for (const auto& [name, bytes, limits] : refused)
        EXPECT_TRUE(decode(write(name, bytes), true, {300, 300}, limits).isEmpty()) << name;
    EXPECT_EQ(decode(write("honest.png", pngClaiming({4, 4}))).frames.size(), 1);
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.gif"));
    EXPECT_TRUE(decode(m_dir.filePath("folder.gif")).isEmpty());
    EXPECT_TRUE(decode(m_dir.filePath("missing.png")).isEmpty());

    // Whatever survives of a cut or corrupted file comes out at the size fitted to its source.
    for (const char* format : {"gif", "png", "jpeg", "webp"}) {
        const QByteArray whole =
            qstrcmp(format, "gif") == 0
                ? GifBuilder().addFrame({20, 20}, Qt::red, 5).addFrame({20, 20}, Qt::blue).build()
                : encoded(filled({120, 80}, Qt::magenta), format);
        QByteArray corrupt = whole;
        for (qsizetype at = 40; at < corrupt.size(); at += 13)
            corrupt[at] = char(corrupt[at] ^ 0x5A);
        for (const QByteArray& bytes : {whole.first(whole.size() / 2), corrupt, whole.first(30)}) {
            const DecodedMedia media = decode(write("broken", bytes), true, {60, 60});
            if (!media.isEmpty()) {
                EXPECT_EQ(media.frames.frameSize(), fittedPixelSize(media.sourceSize, {60, 60}))
                    << format;
            }
        }
    }
}

// A ticket dropped at once hears nothing of the decode it joined.
TEST_F(MediaCacheTest, StickersShareOneDecodeAndOneSetWithinOneBudget) {
    Media first, second;
    int firstFrames = 0;
    bool droppedHeard = false;
    const auto a = m_cache.request(
        gif("a.gif"), [&](const QImage&, double) { ++firstFrames; },
        [&](Media media) { first = std::move(media); });
    const auto b = m_cache.request(gif("a.gif"), {}, [&](Media media) { second = media; });
    std::ignore = m_cache.request(
        gif("a.gif"), [&](const QImage&, double) { droppedHeard = true; },
        [&](Media) { droppedHeard = true; });
    ASSERT_TRUE(waitUntil([&] { return first && second; }));
    EXPECT_EQ(first, second);
    EXPECT_EQ(firstFrames, 1);
    EXPECT_FALSE(droppedHeard);
    // While someone holds the set, a later request gets it without decoding again.
    EXPECT_EQ(fetch(m_cache, gif("a.gif")), first);
    EXPECT_EQ(m_cache.decodesStarted(), 1);
    // Another size is another set; the budget counts each set once and gets every byte back.
    Media larger = fetch(m_cache, gif("a.gif", {80, 80}));
    EXPECT_EQ(m_cache.decodesStarted(), 2);
    EXPECT_EQ(m_cache.budget().used(), first->byteCount() + larger->byteCount());

    MediaCache tight(std::make_shared<FrameBudget>(first->byteCount()),
                     FrameStore::Coding::compressed);
    const Media fits = fetch(tight, gif("a.gif"));
    const Media past = fetch(tight, gif("b.gif", {60, 60}));
    EXPECT_EQ(fits->frames.size(), 2);
    EXPECT_EQ(past->frames.size(), 1);
    EXPECT_TRUE(past->truncated);

    // A set cut by the budget is decoded again, whole, once the budget has room for it twice.
    const auto shared = std::make_shared<FrameBudget>(4 * past->byteCount());
    MediaCache regrowing(shared, FrameStore::Coding::compressed);
    FrameBudget::Lease hog(shared, shared->limit());
    ASSERT_TRUE(hog.take(shared->limit() - 1));
    const Media cut = fetch(regrowing, gif("b.gif", {60, 60}));
    EXPECT_TRUE(cut->cutByBudget && cut->frames.size() == 1);
    EXPECT_EQ(fetch(regrowing, gif("b.gif", {60, 60})), cut);
    hog = FrameBudget::Lease(nullptr, 0);
    const Media grown = fetch(regrowing, gif("b.gif", {60, 60}));
    EXPECT_TRUE(grown->frames.size() == 2 && !grown->truncated);
    EXPECT_EQ(fetch(regrowing, gif("b.gif", {60, 60})), grown);
    EXPECT_EQ(regrowing.decodesStarted(), 2);
    DecodeRequest missing = gif("a.gif");
    missing.path = m_dir.filePath("missing.gif");
    EXPECT_TRUE(fetch(m_cache, missing)->isEmpty());
    first = second = larger = nullptr;
    EXPECT_EQ(m_cache.budget().used(), 0);
}
