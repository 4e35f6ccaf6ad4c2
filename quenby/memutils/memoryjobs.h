#pragma once
// What the memory windows do with the box, as jobs over the family of the job (its link, layers,
// dialogs, progress window and images): read the memory again, save it to a data file, programme
// a mech from a data file, and programme the 435's routing. The windows pass the values of their
// controls in; every job traps its own run-time errors under its window's text and carries on,
// and a job that sent "J" always sends its "W".
//
// A data file is checked whole before the user is asked to confirm: a bad file is refused with
// one report naming the line, and nothing is sent and nothing of the program's memory changes.

#include "quenby/link/images.h"
#include "quenby/link/mechfamily.h"
#include "quenby/memutils/routing435.h"

#include <QString>
#include <optional>

namespace quenby {

class PromDataView;

// What the data windows keep between their jobs: progImage as the limits editor built it, kept
// while a data window opened from the editor is open. That window's programming replaces
// progImage, and its Close gives it back.
struct DataWindowState {
    std::optional<Image> editorImage;
};

// ---- CC EEPROM window ----

// "Read EEPROM": "J", the mech's EEPROM into readImage, "W". Errors under 706.
ReadState readEepromCommand(MechFamily& family);

// "Save to File": the save dialog in CoinSets, the name made to end in ".txt", the question
// before an existing file is overwritten, then the words of the last read, which must have read
// the whole EEPROM of this model (else nothing is written). Errors under 720.
void saveEepromCommand(MechFamily& family);

// "Programme from File" (also the duplicating coin set run): the open dialog, the file checked
// whole against the model's memory size, the confirmation, "J", the mech read first when
// readImage does not hold its whole memory, progImage replaced by the file's words, programmed
// and verified, "W". True when verified. Errors under 705.
bool eeProgramme(MechFamily& family);

// "Programme Routing" of the 435: the fields encoded over the image read, refused with its own
// message (712/713, 714/715) before anything is sent, the confirmation, "J", the changed words
// and the checksum word written and verified, "W". Whether it verified; none when nothing was
// sent. Errors under 716.
std::optional<bool> programmeRouting(MechFamily& family, const Routing435& fields);

// ---- NRI memory window ----

// "Read Memory": "J", the NRI memory into the NRI tables, "W". Errors under 915.
ReadState readNriCommand(MechFamily& family);

// "Save to File": the save dialog, the ".txt" rule, the overwrite question, the 28 data lines,
// which must be a whole memory of this model that its file check accepts (else nothing is
// written). Errors under 920.
void saveNriCommand(MechFamily& family);

// "Programme from File" (also the duplicating coin set run): the open dialog, the file checked
// whole (a file that names only some records keeps the other lines only when they are what the
// last read found in this mech, never when duplicating), the confirmation (Cancel takes nothing
// of the file), "J"; a file of some records only then reads the mech again and keeps the other
// lines as the mech in the box holds them (nothing written when that read is not whole); the
// lines taken into nriDataLines, the logon, every block or record of the model, each read back,
// then always: progress hidden, "W", the box reset and "Data Written OK" or "Error Writing Data"
// (naming the record that does not read back as written). True when written and read back.
// Errors under 914.
bool NRIprogramme(MechFamily& family, bool duplicating);

// ---- PROM data view ----

// "Read PROM": "J", the PROM of promSize into readImage, the report redrawn, "W". Errors
// under 1303.
ReadState readPromCommand(MechFamily& family, PromDataView& view);

} // namespace quenby
