// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Sticker.h"

#include <QBoxLayout>
#include <QHash>
#include <QList>
#include <QUuid>

// The rows of a list of stickers, kept by id and updated in place: a change reuses the row of
// every sticker still there, puts it at its sticker's place in the layout, and hands back the
// rows whose stickers are gone, out of the layout and hidden, for their owner to delete once
// whatever click removed them is over.
template <typename Row> class RowsById final {
public:
    Row* value(const QUuid& id) const { return m_rows.value(id); }

    // make(sticker) builds a missing row; show(row, sticker) brings a row up to date.
    template <typename Make, typename Show>
    QList<Row*> follow(QBoxLayout& layout, const QList<Sticker>& stickers, Make make, Show show) {
        QHash<QUuid, Row*> kept;
        kept.reserve(stickers.size());
        int position = 0;
        for (const Sticker& sticker : stickers) {
            Row* row = m_rows.take(sticker.id);
            if (!row) {
                row = make(sticker);
                // Children created after their window is shown are not shown with it.
                row->show();
            }
            show(row, sticker);
            const QLayoutItem* item = layout.itemAt(position);
            if (!item || item->widget() != row) {
                layout.removeWidget(row);
                layout.insertWidget(position, row);
            }
            ++position;
            kept.insert(sticker.id, row);
        }
        const QList<Row*> gone = m_rows.values();
        for (Row* row : gone) {
            layout.removeWidget(row);
            row->hide();
        }
        m_rows = std::move(kept);
        return gone;
    }

private:
    QHash<QUuid, Row*> m_rows;
};
