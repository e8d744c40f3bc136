// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/HeifDecoding.h"

#include <QFile>
#include <libheif/heif.h>
#include <limits>
#include <memory>

namespace HeifDecoding {
namespace {

// heif_init and heif_deinit are reference counted under libheif's own lock; holding a reference
// for the whole decode keeps a concurrent decode from releasing the codecs underneath this one.
class LibraryReference final {
public:
    LibraryReference() { heif_init(nullptr); }
    ~LibraryReference() { heif_deinit(); }
    LibraryReference(const LibraryReference&) = delete;
    LibraryReference& operator=(const LibraryReference&) = delete;
};

template <auto release> struct Releaser final {
    template <typename T> void operator()(T* object) const { release(object); }
};

using Context = std::unique_ptr<heif_context, Releaser<heif_context_free>>;
using Handle = std::unique_ptr<heif_image_handle, Releaser<heif_image_handle_release>>;
using Image = std::unique_ptr<heif_image, Releaser<heif_image_release>>;

constexpr int bytesPerPixel = 4;

// libheif refuses sides at or above its limit and applies it to the codec's picture, which may
// be up to one 64-pixel coding block larger than the image; the exact check happens here.
constexpr int codingBlockSlack = 64;

bool isOk(const heif_error& error) {
    return error.code == heif_error_Ok;
}

} // namespace

bool isHeif(QByteArrayView data) {
    const int length = int(std::min<qsizetype>(data.size(), std::numeric_limits<int>::max()));
    const heif_filetype_result type =
        heif_check_filetype(reinterpret_cast<const uint8_t*>(data.data()), length);
    return type == heif_filetype_yes_supported || type == heif_filetype_yes_unsupported;
}

QImage decodePrimaryImage(const QString& path, const DecodeLimits& limits) {
    const LibraryReference library;
    const Context context(heif_context_alloc());
    if (!context)
        return {};
    const int sideLimit = limits.maxCanvasSide < std::numeric_limits<int>::max() - codingBlockSlack
                              ? limits.maxCanvasSide + codingBlockSlack
                              : std::numeric_limits<int>::max();
    heif_context_set_maximum_image_size_limit(context.get(), sideLimit);
    if (!isOk(heif_context_read_from_file(context.get(), QFile::encodeName(path).constData(),
                                          nullptr)))
        return {};

    heif_image_handle* rawHandle = nullptr;
    if (!isOk(heif_context_get_primary_image_handle(context.get(), &rawHandle)))
        return {};
    const Handle handle(rawHandle);
    if (!limits.allowsImage(QSize(heif_image_handle_get_width(handle.get()),
                                  heif_image_handle_get_height(handle.get()))))
        return {};

    heif_image* rawImage = nullptr;
    if (!isOk(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                                heif_chroma_interleaved_RGBA, nullptr)))
        return {};
    const Image image(rawImage);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t* pixels =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!pixels || !limits.allowsImage(QSize(width, height)) || stride < width * bytesPerPixel ||
        heif_image_get_bits_per_pixel(image.get(), heif_channel_interleaved) != 32)
        return {};
    // The view over libheif's plane lives only until the conversion has copied it.
    const QImage view(pixels, width, height, stride, QImage::Format_RGBA8888);
    return view.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace HeifDecoding
