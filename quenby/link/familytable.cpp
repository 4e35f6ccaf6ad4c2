#include "quenby/link/familytable.h"

namespace quenby {

namespace {

// nullptr as the model: every other model of the family.
struct MarsRow {
    const char* model;
    const char* timings;
    bool needsC02;
    int segmentWords, dataOffset, maxSegments;
    bool coinValues;
    int idlePauseMs;
    bool cfdAfterStart;
};

constexpr MarsRow kMars[] = {
    {"MS1000", "Z150150150425", false, 128, 0, 4, false, 1000, false},
    {"MS1400", "Z150150150425", true, 128, 0, 4, false, 1000, false},
    {"ME181", "Z030020150100", false, 256, 128, 2, true, 0, true},
    {nullptr, "Z030020150100", false, 128, 0, 4, false, 0, false},
};

struct CcRow {
    const char* model;
    MechKind kind;
    const char* code;
    const char* boxSelect;
    int base, stride, copyOffset;
    CcChecksum checksum;
    int checksumWord;
    int verifyLast; // -1: the whole memory
    int frameLast;
    bool frameSummed;
    CcRouting routing;
    bool c120Outputs;
    bool fifthParamRule;
    bool keepAlive, keepAliveRepeats;
};

constexpr CcRow kCc[] = {
    {"C120", MechKind::CcWord, "$05", "C00", 10, 12, 0, CcChecksum::KeepByteSum127, 127, -1, 6, true,
     CcRouting::None, true, false, false, false},
    {"220B", MechKind::CcWord, "$05", "C08", 9, 16, 8, CcChecksum::KeepByteSum127, 127, -1, 4, false,
     CcRouting::None, false, false, true, true},
    {"335", MechKind::CcWord, "$05", "C08", 9, 16, 0, CcChecksum::KeepByteSum127, 127, -1, 4, false,
     CcRouting::None, false, false, true, true},
    // Words 201..255 of a 435 change while it runs: a verify stops at word 200.
    {"435", MechKind::CcWord, "$05", "C08", 16, 16, 0, CcChecksum::KeepByteSum127, 127, 200, 6, true,
     CcRouting::Words435, false, true, false, false},
    {"450", MechKind::CcWord, "$05", "C08", 16, 12, 0, CcChecksum::KeepByteSum127, 127, -1, 9, false,
     CcRouting::Words450, false, false, false, false},
    {"Sentinel", MechKind::Sentinel, "$06", "C00", 0, 8, 0, CcChecksum::Sentinel63, 63, -1, 0, false,
     CcRouting::Sentinel, false, false, false, false},
    {nullptr, MechKind::CcWord, "$05", "C08", 9, 16, 0, CcChecksum::KeepByteSum127, 127, -1, 4, false,
     CcRouting::None, false, false, true, false},
};

struct NriRow {
    const char* model;
    MechKind kind;
    const char* code;
    const char* secondCode;
    const char* idents; // accepted identification replies separated by "|"; nullptr: any
    int identPauseMs;
    bool g18Probe;
    bool reads1A1B;
    int compensationBytes;
    bool writes11;
    int dataFileBlocks;
    int g10Header;
    bool beepEachSample, measureByMap, remapsTables;
};

constexpr NriRow kNri[] = {
    {"G13-6000", MechKind::NriNew, "$05", "", "07", 0, false, true, 4, false, 28, 0, false, true, true},
    {"G13-0000", MechKind::NriOld, "$01", "", "0", 250, false, false, 0, false, 0, 0, true, false, false},
    {"G18-3000", MechKind::NriNew, "$05", "", "05|01", 0, true, false, 6, true, 26, 0, false, false, true},
    {"G18-0000", MechKind::NriOld, "$01", "", "?", 250, true, false, 0, false, 0, 0, true, false, false},
    {"G10-4000", MechKind::NriOld, "$23", "", "?", 250, false, false, 0, false, 0, 11, false, false, false},
    {"G10-4000/5", MechKind::NriNew, "$23", "$25", "03|06|08", 250, false, false, 0, false, 22, 8, false, false,
     false},
    {"G40-0000", MechKind::NriNew, "$05", "", "02", 0, false, true, 4, true, 28, 0, false, true, true},
    {nullptr, MechKind::Unknown, "", "", nullptr, 0, false, false, 0, false, 0, 0, false, false, false},
};

template <class Row, std::size_t N>
const Row& find(const Row (&rows)[N], const QString& model)
{
    for (const Row& r : rows) {
        if (r.model == nullptr || model == QLatin1String(r.model))
            return r;
    }
    return rows[N - 1];
}

} // namespace

MechEntry mechEntry(const QString& family, const QString& model)
{
    MechEntry e;
    e.family = family;
    e.model = model;
    if (family == u"Mars") {
        const MarsRow& r = find(kMars, model);
        e.kind = MechKind::Mars;
        e.mars = {r.segmentWords, r.dataOffset, r.maxSegments, r.timings, r.needsC02, r.coinValues, r.idlePauseMs,
                  r.cfdAfterStart};
        e.limits.mars = true;
        e.limits.limitCap = 4095;
        e.limits.pagesOn2K = r.maxSegments;
    } else if (family == u"CC") {
        const CcRow& r = find(kCc, model);
        e.kind = r.kind;
        e.interfaceCode = r.code;
        e.cc = {r.boxSelect,   r.base,        r.stride,   r.copyOffset,  r.checksum,
                r.checksumWord, r.verifyLast, r.frameLast, r.frameSummed, r.routing,
                r.c120Outputs, r.keepAlive,   r.keepAliveRepeats};
        e.limits.fifthParamSlugRule = r.fifthParamRule;
    } else if (family == u"NRI") {
        const NriRow& r = find(kNri, model);
        e.kind = r.kind;
        e.interfaceCode = r.code;
        e.secondInterfaceCode = r.secondCode;
        if (r.idents)
            e.nri.identReplies = QString::fromLatin1(r.idents).split(u'|');
        e.nri.identPauseMs = r.identPauseMs;
        e.nri.g18Probe = r.g18Probe;
        e.nri.readsRecords1A1B = r.reads1A1B;
        e.nri.compensationBytes = r.compensationBytes;
        e.nri.writesRecord11 = r.writes11;
        e.nri.dataFileBlocks = r.dataFileBlocks;
        e.nri.g10HeaderLength = r.g10Header;
        e.nri.beepEachSample = r.beepEachSample;
        e.nri.measureByMap = r.measureByMap;
        e.nri.remapsNriTables = r.remapsTables;
        e.limits.invertedWindowsUnset = true;
    }
    return e;
}

QString scratchFileName(const QString& model)
{
    QString name = model;
    name.replace(u'/', u'-');
    return name + QStringLiteral("temp.txt");
}

} // namespace quenby
