// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QButtonGroup;
class QPushButton;

// A row of joined, mutually exclusive segments; one is always chosen.
class SegmentedControl final : public QWidget {
    Q_OBJECT

public:
    explicit SegmentedControl(int count, QWidget* parent = nullptr);

    void setSegmentText(int index, const QString& text);
    QString segmentText(int index) const;
    int count() const;

    int current() const;
    // Chooses a segment without emitting chosen.
    void setCurrent(int index);
    QPushButton* segment(int index) const;

Q_SIGNALS:
    // The user chose a segment (also the one already chosen).
    void chosen(int index);

private:
    QButtonGroup* m_group;
};
