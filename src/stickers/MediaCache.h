// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stickers/FrameSource.h"
#include "stickers/MediaDecoding.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <functional>
#include <memory>

// Decodes media on worker threads and shares the result: requests for the same file at the
// same size join one decode, and one decoded set serves every sticker that shows it while
// any of them holds it. Every set it decodes counts against its frame budget. Results arrive
// on the main thread, through the request's ticket.
class MediaCache final : public QObject {
    Q_OBJECT

public:
    using FirstFrame = std::function<void(const QImage& image, double aspectRatio)>;
    using Decoded = std::function<void(std::shared_ptr<const DecodedMedia> media)>;

    // Receives the results of one request until it is destroyed; a superseded request is
    // dropped with its ticket, and a decode nobody waits for any more is cancelled.
    class Ticket final {
    public:
        ~Ticket();
        Ticket(const Ticket&) = delete;
        Ticket& operator=(const Ticket&) = delete;

    private:
        friend class MediaCache;
        Ticket() = default;

        QPointer<MediaCache> m_cache;
        std::shared_ptr<struct MediaJob> m_job;
        FirstFrame m_firstFrame;
        Decoded m_decoded;
    };

    explicit MediaCache(QObject* parent = nullptr);
    MediaCache(std::shared_ptr<FrameBudget> budget, FrameStore::Coding coding,
               QObject* parent = nullptr);
    ~MediaCache() override;

    // firstFrame may be empty; decoded always arrives once, with an empty set on failure.
    [[nodiscard]] std::unique_ptr<Ticket> request(const DecodeRequest& request,
                                                  FirstFrame firstFrame, Decoded decoded);

    // The one frame source of a decoded set, shared by every sticker that plays it.
    std::shared_ptr<FrameSource> frameSource(const std::shared_ptr<const DecodedMedia>& media);

    const FrameBudget& budget() const { return *m_budget; }
    // Decodes started so far, for tests and benchmarks.
    int decodesStarted() const { return m_decodesStarted; }

Q_SIGNALS:
    // A set decoded here is gone and its bytes are back in the budget, on a later turn.
    void roomMade();

private:
    void start(const std::shared_ptr<MediaJob>& job);
    void deliverFirstFrame(const std::shared_ptr<MediaJob>& job);
    void deliverDecoded(const std::shared_ptr<MediaJob>& job);
    void unsubscribe(Ticket* ticket);

    std::shared_ptr<FrameBudget> m_budget;
    FrameStore::Coding m_coding;
    QThreadPool m_pool;
    QHash<QString, std::shared_ptr<MediaJob>> m_inFlight;
    QHash<QString, std::weak_ptr<const DecodedMedia>> m_decodedSets;
    QHash<const DecodedMedia*, std::weak_ptr<FrameSource>> m_frameSources;
    int m_decodesStarted = 0;
};
