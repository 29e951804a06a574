#pragma once

#include "model/ShelfItem.h"

#include <QDateTime>
#include <QString>
#include <vector>

// A closed shelf kept for reopening.
struct RecentShelf {
    // The moment it was archived, in seconds since 2001-01-01 00:00:00 UTC: the
    // very number the recent-shelves file keeps, so a loaded date is written
    // back to the last bit.
    double date = 0;
    // The very item objects the shelf held, in shelf order.
    std::vector<ShelfItemPtr> items;

    // The entry in the recent-shelves menu: the first item's title (or
    // "empty"), cut to 26 characters and "…" when it has 29 or more, " +N" for
    // N further items, then " — " and the time of day in the user's locale.
    QString title() const;

    // Invalid when the stored number lies beyond what a date can hold.
    QDateTime dateTime() const;

    static double secondsSinceReference(const QDateTime& moment);
    static QDateTime fromSecondsSinceReference(double seconds);
};
