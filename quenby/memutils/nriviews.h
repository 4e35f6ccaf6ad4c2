#pragma once
// The NRI memory window's views of what the last NRI read filled, as the fixed-pitch text of
// its pane: the coin limits, the parameter or compensation map of the models that keep one,
// and the outputs, values, routes and date of the last adjustment.

#include "quenby/link/nritables.h"

#include <QString>
#include <QStringList>

namespace quenby {

class TextTable;
struct MechEntry;
struct ModelParams;

enum class NriView { Limits, Map, Other };

// The view list of a model: "Limits"; "Parameter Map" ("G13-6000", "G40-0000") or
// "Compensation Map" ("G18-3000"); "Other Information".
QStringList nriViewList(const MechEntry& entry, const TextTable& texts);

// The view at a list position: 0 Limits; 1 the map on a model that has one; anything else
// (none chosen included) Other Information.
NriView nriViewAt(const MechEntry& entry, int listIndex);

struct NriViewInput {
    const NriReadTables& tables;
    const ModelParams& params;
    const MechEntry& entry;
    const TextTable& texts;
};

// The pane of a view. A parameter name longer than its 12 columns is cut to them, so the names
// stay over their limits.
QString nriViewText(NriView view, const NriViewInput& in);

} // namespace quenby
