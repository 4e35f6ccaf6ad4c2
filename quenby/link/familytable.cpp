#include "quenby/link/familytable.h"

#include "quenby/shell/texts.h"

#include <span>

namespace quenby {

namespace {

using Slots = std::array<qint32, 6>;

// The CC quirks of a mech of another family: none.
constexpr CcQuirks kNotCc{.boxSelect = "", .limitBase = 0, .limitStride = 0, .checksum = CcChecksum::None,
                          .checksumWord = -1, .measureFrameLast = 0};

// What every model of a family shares, added to a row that names what sets the model apart.
MechEntry mars(MechEntry e)
{
    e.family = Family::Mars;
    e.kind = MechKind::Mars;
    e.cc = kNotCc;
    e.shape = {.paramCount = 3, .coinCount = 6, .coinsPerSegment = 6, .segmentCount = 4, .memorySize = 512,
               .firstNameId = 232};
    e.limits = {.mars = true, .limitCap = 4095, .pagesOn2K = e.mars.maxSegments};
    e.valtest.lines = e.valtest.lines > 0 ? e.valtest.lines : 7; // unless the row names its own
    e.valtest.marsReject = e.valtest.marsTimings = true;
    e.wizard.mars = true;
    e.wizard.coinValue = e.wizard.twoSegmentsOnly;
    return e;
}

MechEntry cc(MechEntry e)
{
    e.family = Family::CC;
    e.valtest.binaryReports = true; // every CC "X" report is a binary code
    if (e.valtest.startCommand.isEmpty()) // unless the row names its own
        e.valtest.startCommand = "C01";
    return e;
}

MechEntry nri(MechEntry e)
{
    e.family = Family::NRI;
    e.cc = kNotCc;
    e.limits.invertedWindowsUnset = true;
    e.wizard.coinValue = true;
    return e;
}

// The table, in the order the family tabs list the models. A row without a model stands for every
// model of its family the table does not list. Fields a row leaves out keep their defaults, which
// is the point of naming the others. Built on first use, so that a lookup from another file's
// static initialiser finds it built.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
std::span<const MechEntry> table()
{
    static const MechEntry rows[] = {
        mars({.model = "MS1000", .mars = {.timings = "Z150150150425", .idlePauseMs = 1000}, .valtest = {.lines = 10}}),
        mars({.model = "ME111"}),
        mars({.model = "ME181",
              .mars = {.segmentWords = 256, .segmentDataOffset = 128, .maxSegments = 2, .coinValuesInImage = true,
                       .cfdAfterStart = true},
              .valtest = {.me181Pulse = true},
              .wizard = {.twoSegmentsOnly = true}}),
        mars({.model = "MS130B1"}),
        mars({.model = "MS111"}),
        mars({.model = "MS1400", .mars = {.timings = "Z150150150425", .timingsNeedC02 = true, .idlePauseMs = 1000}}),
        mars({}),

        cc({.model = "C120", .kind = MechKind::CcWord, .interfaceCode = "$05",
            .shape = {.paramCount = 3, .coinCount = 12, .coinsPerSegment = 6, .segmentCount = 2, .memorySize = 128},
            .cc = {.boxSelect = "C00", .limitBase = 10, .limitStride = 12, .measureFrameLast = 6,
                   .measureFrameSummed = true, .c120Outputs = true, .measureKeepAlive = false},
            .valtest = {.lines = 6}}),
        cc({.model = "220B", .kind = MechKind::CcWord, .interfaceCode = "$05",
            .shape = {.paramCount = 3, .coinCount = 8, .coinsPerSegment = 8, .segmentCount = 1, .memorySize = 128},
            .cc = {.limitCopyOffset = 8, .keepAliveRepeats = true},
            .valtest = {.lines = 4, .binaryLines = 8}}),
        cc({.model = "335", .kind = MechKind::CcWord, .interfaceCode = "$05",
            .shape = {.paramCount = 3, .coinCount = 16, .coinsPerSegment = 8, .segmentCount = 2, .memorySize = 128},
            .cc = {.keepAliveRepeats = true},
            .valtest = {.lines = 5, .binaryLines = 16}}),
        // Words 201..255 of a 435 change while it runs: a verify stops at word 200.
        cc({.model = "435", .kind = MechKind::CcWord, .interfaceCode = "$05",
            .shape = {.paramCount = 5, .coinCount = 16, .coinsPerSegment = 8, .segmentCount = 2, .memorySize = 256},
            .cc = {.limitBase = 16, .verifyLastWord = 200, .measureFrameLast = 6, .measureFrameSummed = true,
                   .routing = CcRouting::Words435, .measureKeepAlive = false},
            .limits = {.fifthParamSlugRule = true},
            .valtest = {.lines = 5, .binaryLines = 16, .removeLoomFirst = true}}),
        cc({.model = "450", .kind = MechKind::CcWord, .interfaceCode = "$05",
            .shape = {.paramCount = 4, .coinCount = 12, .coinsPerSegment = 6, .segmentCount = 2, .memorySize = 128},
            .cc = {.limitBase = 16, .limitStride = 12, .measureFrameLast = 9, .routing = CcRouting::Words450,
                   .measureKeepAlive = false},
            .valtest = {.lines = 6, .startCommand = "C09", .movesMiddleChannels = true}}),
        cc({.model = "Sentinel", .kind = MechKind::Sentinel, .interfaceCode = "$06",
            .shape = {.paramCount = 3, .coinCount = 8, .coinsPerSegment = 8, .segmentCount = 1, .memorySize = 64},
            .cc = {.boxSelect = "C00", .limitBase = 0, .limitStride = 8, .checksum = CcChecksum::Sentinel63,
                   .checksumWord = 63, .measureFrameLast = 0, .routing = CcRouting::Sentinel,
                   .measureKeepAlive = false},
            .valtest = {.lines = 4}}),
        cc({.kind = MechKind::CcWord, .interfaceCode = "$05"}),

        nri({.model = "G13-6000", .kind = MechKind::NriNew, .interfaceCode = "$05",
             .shape = {.paramCount = 6, .coinCount = 12, .coinsPerSegment = 6, .segmentCount = 2, .memorySize = 128},
             .nri = {.identReplies = {"07"}, .readsRecords1A1B = true, .compensationBytes = 4, .dataFileBlocks = 28,
                     .measureByMap = true, .remapsNriTables = true,
                     .views = {.map = NriMap::Parameters, .legend = NriLegend::Texts, .other = NriOther::Outputs,
                               .outputsHeading = 942}},
             .valtest = {.lines = 6, .startCommand = "C00"},
             .wizard = {.nriLines = true, .paramSlots = Slots{4, 1, 2, 0, 5, 6}}}),
        nri({.model = "G13-0000", .kind = MechKind::NriOld, .interfaceCode = "$01",
             .shape = {.paramCount = 4, .coinCount = 6, .coinsPerSegment = 6, .segmentCount = 1, .memorySize = 128,
                       .firstNameId = 235},
             .nri = {.identReplies = {"0"}, .identPauseMs = 250, .beepEachSample = true,
                     .views = {.other = NriOther::Values}},
             .valtest = {.lines = 6, .startCommand = "C00"}}),
        nri({.model = "G18-3000", .kind = MechKind::NriNew, .interfaceCode = "$05",
             .shape = {.paramCount = 6, .coinCount = 12, .coinsPerSegment = 6, .segmentCount = 2, .memorySize = 128,
                       .firstNameId = 240},
             .nri = {.identReplies = {"05", "01"}, .g18Probe = true, .compensationBytes = 6, .writesRecord11 = true,
                     .dataFileBlocks = 26, .remapsNriTables = true,
                     .views = {.map = NriMap::Compensation, .other = NriOther::Outputs, .outputsHeading = 977,
                               .route = NriRoute::RouteTwo}},
             .valtest = {.lines = 6, .startCommand = "C08", .movesMiddleChannels = true},
             .wizard = {.nriLines = true}}),
        nri({.model = "G18-0000", .kind = MechKind::NriOld, .interfaceCode = "$01",
             .shape = {.paramCount = 4, .coinCount = 6, .coinsPerSegment = 6, .segmentCount = 1, .memorySize = 128,
                       .firstNameId = 235},
             .nri = {.identReplies = {"?"}, .identPauseMs = 250, .g18Probe = true, .beepEachSample = true,
                     .views = {.other = NriOther::Values}},
             .valtest = {.lines = 6, .startCommand = "C08", .movesMiddleChannels = true}}),
        nri({.model = "G10-4000", .kind = MechKind::NriOld, .interfaceCode = "$23",
             .shape = {.paramCount = 4, .coinCount = 8, .coinsPerSegment = 8, .segmentCount = 1, .memorySize = 128,
                       .firstNameId = 246},
             .nri = {.identReplies = {"?"}, .identPauseMs = 250, .g10HeaderLength = 11,
                     .views = {.other = NriOther::G10}},
             .valtest = {.lines = 12, .numbered = true, .tubes = true, .g10Logon = true},
             .wizard = {.tubeValues = true}}),
        nri({.model = "G10-4000/5", .kind = MechKind::NriNew, .interfaceCode = "$23", .secondInterfaceCode = "$25",
             .shape = {.paramCount = 6, .coinCount = 12, .coinsPerSegment = 6, .segmentCount = 2, .memorySize = 128,
                       .firstNameId = 250},
             .nri = {.identReplies = {"03", "06", "08"}, .identPauseMs = 250, .dataFileBlocks = 22,
                     .g10HeaderLength = 8, .views = {.other = NriOther::G10Five}},
             .valtest = {.lines = 12, .numbered = true, .tubes = true, .g10Logon = true},
             .wizard = {.tubeValues = true}}),
        // Its lines, binary output and channel move depend on the variant chosen (valtestModel).
        nri({.model = "G40-0000", .kind = MechKind::NriNew, .interfaceCode = "$05",
             .shape = {.paramCount = 6, .coinCount = 12, .coinsPerSegment = 6, .segmentCount = 2, .memorySize = 128},
             .nri = {.identReplies = {"02"}, .readsRecords1A1B = true, .compensationBytes = 4, .writesRecord11 = true,
                     .dataFileBlocks = 28, .measureByMap = true, .remapsNriTables = true,
                     .views = {.map = NriMap::Parameters, .legend = NriLegend::G40, .other = NriOther::Outputs,
                               .outputsHeading = 977, .route = NriRoute::Bits8421}},
             .valtest = {.startCommand = "C08", .showsG40Variants = true, .binaryReports = true},
             .wizard = {.nriLines = true, .paramSlots = Slots{0, 1, 3, 6, 8, 10}}}),
        nri({.valtest = {.startCommand = "C00"}}),

        {.cc = kNotCc}, // a family nobody knows
    };
    return rows;
}
#pragma GCC diagnostic pop

} // namespace

QString familyName(Family family)
{
    switch (family) {
    case Family::Mars:
        return QStringLiteral("Mars");
    case Family::CC:
        return QStringLiteral("CC");
    case Family::NRI:
        return QStringLiteral("NRI");
    case Family::None:
        break;
    }
    return {};
}

Family familyNamed(const QString& name)
{
    for (Family f : {Family::Mars, Family::CC, Family::NRI})
        if (name == familyName(f))
            return f;
    return Family::None;
}

MechEntry mechEntry(Family family, const QString& model)
{
    const std::span<const MechEntry> rows = table();
    const MechEntry* found = &rows.back();
    for (const MechEntry& row : rows) {
        if (row.family == family && (row.model.isEmpty() || row.model == model)) {
            found = &row;
            break;
        }
    }
    MechEntry e = *found;
    e.model = model;
    return e;
}

QStringList modelList(Family family)
{
    QStringList out;
    for (const MechEntry& row : table())
        if (row.family == family && !row.model.isEmpty())
            out << row.model;
    return out;
}

void setMechParameters(ModelParams& params, Family family, const QString& model, const TextTable& texts)
{
    const QString parameter = texts.getText(231);
    for (int k = 0; k < 6; ++k)
        params.paramNames[k] = parameter + QString::number(k + 1);

    const ModelShape s = mechEntry(family, model).shape;
    if (s.paramCount == 0)
        return;
    params.paramCount = s.paramCount;
    params.coinCount = s.coinCount;
    params.coinsPerSegment = s.coinsPerSegment;
    params.segmentCount = s.segmentCount;
    params.memorySize = s.memorySize;
    if (s.firstNameId != 0)
        for (int k = 0; k < s.paramCount; ++k)
            params.paramNames[k] = texts.getText(s.firstNameId + k);
}

QString scratchFileName(const QString& model)
{
    QString name = model;
    name.replace(u'/', u'-');
    return name + QStringLiteral("temp.txt");
}

} // namespace quenby
