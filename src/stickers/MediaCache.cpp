// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/MediaCache.h"

#include "platform/MemoryRelease.h"

#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>
#include <QThread>
#include <atomic>
#include <optional>

struct MediaJob {
    QString key;
    DecodeRequest request;
    std::atomic<bool> cancelled = false;
    QList<MediaCache::Ticket*> subscribers;
    std::optional<std::pair<QImage, double>> firstFrame;
    std::shared_ptr<const DecodedMedia> result;
    bool done = false;
};

namespace {

// The same file, unchanged, at the same size and kind of decode.
QString keyFor(const DecodeRequest& request) {
    const QFileInfo info(request.path);
    return QStringLiteral("%1|%2|%3|%4|%5x%6")
        .arg(info.absoluteFilePath())
        .arg(info.lastModified().toMSecsSinceEpoch())
        .arg(info.size())
        .arg(request.animated ? 1 : 0)
        .arg(request.targetBox.width())
        .arg(request.targetBox.height());
}

} // namespace

MediaCache::Ticket::~Ticket() {
    if (m_cache)
        m_cache->unsubscribe(this);
}

MediaCache::MediaCache(QObject* parent)
    : MediaCache(std::make_shared<FrameBudget>(), FrameStore::Coding::compressed, parent) {}

MediaCache::MediaCache(std::shared_ptr<FrameBudget> budget, FrameStore::Coding coding,
                       QObject* parent)
    : QObject(parent)
    , m_budget(std::move(budget))
    , m_coding(coding) {
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    // Qt's own bound on one image's pixels, for readers whose size is not known before they
    // decode. It is process-wide; set here, before any decode of this cache starts, and only
    // when it differs, so that no worker reads it while it changes.
    const int limit = DecodeLimits().allocationLimitMb;
    if (QImageReader::allocationLimit() != limit)
        QImageReader::setAllocationLimit(limit);
}

MediaCache::~MediaCache() {
    for (const auto& job : std::as_const(m_inFlight))
        job->cancelled = true;
    m_pool.waitForDone();
}

std::unique_ptr<MediaCache::Ticket> MediaCache::request(const DecodeRequest& request,
                                                        FirstFrame firstFrame, Decoded decoded) {
    std::unique_ptr<Ticket> ticket(new Ticket);
    ticket->m_cache = this;
    ticket->m_firstFrame = std::move(firstFrame);
    ticket->m_decoded = std::move(decoded);

    const QString key = keyFor(request);
    std::shared_ptr<MediaJob> job = m_inFlight.value(key);
    if (!job) {
        job = std::make_shared<MediaJob>();
        job->key = key;
        job->request = request;
        job->request.budget = m_budget;
        job->request.coding = m_coding;
        // A set cut by the budget is decoded again once it can grow.
        if (auto existing = m_decodedSets.value(key).lock(); existing && !existing->mayGrow()) {
            job->result = std::move(existing);
            job->done = true;
        }
    }
    job->subscribers.append(ticket.get());
    ticket->m_job = job;

    if (job->done) {
        // Delivered on a later turn, as a decode would be, so callers see one order of events.
        QMetaObject::invokeMethod(
            this, [this, job] { deliverDecoded(job); }, Qt::QueuedConnection);
    } else if (!m_inFlight.contains(key)) {
        m_inFlight.insert(key, job);
        start(job);
    } else if (job->firstFrame) {
        QMetaObject::invokeMethod(
            this, [this, job] { deliverFirstFrame(job); }, Qt::QueuedConnection);
    }
    return ticket;
}

void MediaCache::start(const std::shared_ptr<MediaJob>& job) {
    ++m_decodesStarted;
    // The pool is waited for in the destructor, so the worker may use this.
    m_pool.start([this, job] {
        const auto cancelled = [&job] { return job->cancelled.load(); };
        const auto first = [this, job](const QImage& image, double aspectRatio) {
            QMetaObject::invokeMethod(
                this,
                [this, job, image, aspectRatio] {
                    job->firstFrame = std::make_pair(image, aspectRatio);
                    deliverFirstFrame(job);
                },
                Qt::QueuedConnection);
        };
        // Whoever drops the set last, on whatever thread, makes room that sets cut short may
        // grow into.
        const std::shared_ptr<const DecodedMedia> media(
            new DecodedMedia(decodeMedia(job->request, cancelled, first)),
            [cache = QPointer<MediaCache>(this)](const DecodedMedia* gone) {
                const bool heldBytes = gone->lease.bytes() > 0;
                delete gone;
                if (heldBytes && cache)
                    QMetaObject::invokeMethod(cache.data(), &MediaCache::roomMade,
                                              Qt::QueuedConnection);
            });
        QMetaObject::invokeMethod(
            this,
            [this, job, media] {
                job->result = media;
                job->done = true;
                deliverDecoded(job);
            },
            Qt::QueuedConnection);
        // The source-sized frames of the decode are gone; their memory goes back too.
        releaseFreedMemory();
    });
}

void MediaCache::deliverFirstFrame(const std::shared_ptr<MediaJob>& job) {
    if (!job->firstFrame || job->done)
        return;
    const auto [image, aspectRatio] = *job->firstFrame;
    // A callback may drop its own ticket or another one: walk a copy and re-check membership.
    const QList<Ticket*> subscribers = job->subscribers;
    for (Ticket* ticket : subscribers) {
        // A copy: the callback may destroy the ticket that holds it.
        if (job->subscribers.contains(ticket) && ticket->m_firstFrame) {
            const FirstFrame firstFrame = ticket->m_firstFrame;
            firstFrame(image, aspectRatio);
        }
    }
}

void MediaCache::deliverDecoded(const std::shared_ptr<MediaJob>& job) {
    if (m_inFlight.value(job->key) == job)
        m_inFlight.remove(job->key);
    if (job->cancelled)
        return;
    if (job->result && !job->result->isEmpty())
        m_decodedSets.insert(job->key, job->result);
    for (auto it = m_decodedSets.begin(); it != m_decodedSets.end();)
        it = it->expired() ? m_decodedSets.erase(it) : std::next(it);

    // A callback may drop other tickets, which then leave the list themselves.
    while (!job->subscribers.isEmpty()) {
        Ticket* ticket = job->subscribers.takeFirst();
        ticket->m_job.reset();
        const Decoded decoded = ticket->m_decoded;
        decoded(job->result);
    }
}

std::shared_ptr<FrameSource>
MediaCache::frameSource(const std::shared_ptr<const DecodedMedia>& media) {
    if (auto source = m_frameSources.value(media.get()).lock())
        return source;
    auto source = std::make_shared<FrameSource>(media);
    m_frameSources.insert(media.get(), source);
    for (auto it = m_frameSources.begin(); it != m_frameSources.end();)
        it = it->expired() ? m_frameSources.erase(it) : std::next(it);
    return source;
}

void MediaCache::unsubscribe(Ticket* ticket) {
    const std::shared_ptr<MediaJob> job = std::move(ticket->m_job);
    if (!job)
        return;
    job->subscribers.removeOne(ticket);
    if (job->subscribers.isEmpty() && !job->done) {
        job->cancelled = true;
        if (m_inFlight.value(job->key) == job)
            m_inFlight.remove(job->key);
    }
}
