// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Sticker.h"

#include <QBoxLayout>
#include <QHash>
#include <QList>
#include <QUuid>

// The rows of a list of stickers, kept by id and updated in place: a change reuses the row of
// every sticker still there, puts it at its sticker's place, and hands back the rows whose
// stickers are gone, hidden, for their owner to delete once whatever click removed them is over.
template <typename Row> class RowsById final {
public:
    Row* value(const QUuid& id) const { return m_rows.value(id); }

    // make(sticker, position) builds a missing row, or none for a sticker whose row can wait;
    // show(row, sticker, position) brings a row up to date and puts it at its place.
    template <typename Make, typename Show>
    QList<Row*> follow(const QList<Sticker>& stickers, Make make, Show show) {
        QHash<QUuid, Row*> kept;
        kept.reserve(m_rows.size());
        int position = 0;
        for (const Sticker& sticker : stickers) {
            Row* row = m_rows.take(sticker.id);
            const bool made = !row;
            if (made)
                row = make(sticker, position);
            if (row) {
                show(row, sticker, position);
                // Children created after their window is shown are not shown with it.
                if (made)
                    row->show();
                kept.insert(sticker.id, row);
            }
            ++position;
        }
        const QList<Row*> gone = m_rows.values();
        for (Row* row : gone)
            row->hide();
        m_rows = std::move(kept);
        return gone;
    }

    // Puts a row at its place in a box layout that holds nothing else before the rows.
    static void place(QBoxLayout& layout, Row* row, int position) {
        const QLayoutItem* item = layout.itemAt(position);
        if (!item || item->widget() != row) {
            layout.removeWidget(row);
            layout.insertWidget(position, row);
        }
    }

private:
    QHash<QUuid, Row*> m_rows;
};
