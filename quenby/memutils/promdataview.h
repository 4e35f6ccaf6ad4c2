#pragma once
// The PROM data view's lists: the PROM size and the views of the report for a model and size.
// The report reads the chosen position (imagemap.h, MarsPromView), so the positions are fixed:
// the raw data of addresses 0-255, the decoded limits of segments 1 and 2 (on a model that keeps
// its coin values in the PROM: limits and values), then on a 2K PROM the data of 256-511 and,
// where the model has four segments, the limits of segments 3 and 4.

#include "quenby/link/familytable.h"

#include <QString>
#include <QStringList>

namespace quenby {

class TextTable;

// "1K", "2K": written as they stand in every language.
QStringList promSizeList();
// promSize of a size text ("2K" -> 1, anything else 0), and back.
int promSizeOf(const QString& sizeText);
QString promSizeText(int promSize);

QStringList promViewList(const MechEntry& entry, const QString& sizeText, const TextTable& texts);

} // namespace quenby
