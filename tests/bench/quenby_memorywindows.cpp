// The first program's memory windows' jobs in real time against their floor (item 10 of the
// benchmark): a 435 programmed from a data file whose every word differs, with its verify; a
// G13-6000 and a G10-4000 programmed from a data file; the PROM data view's 2K "Read PROM" with
// its report; the CPU while NRI programming waits out its 500 ms gaps.

#include "quenby/link/imagemap.h"
#include "quenby/memutils/memoryjobs.h"
#include "quenby/memutils/nridatafile.h"
#include "sim/nrimech.h"
#include "tests/bench/quenbyrig.h"

#include <QElapsedTimer>
#include <QFile>
#include <array>
#include <optional>

namespace qbench {

namespace {

// ---- the memory windows' jobs ----------------------------------------------------------------------

// Answers the open dialog with one file and every box with OK.
struct FileDialogs : bench::OkDialogs {
    QString file;
    QString openFileName(const QString&, const QString&, const QString&) override { return file; }
};

// Takes the report and draws nothing.
struct NoPanes : quenby::PromDataView {
    std::optional<int> showReportView() override { return quenby::LimitsSegs12; }
    void setPanes(const QString&, const QString&) override {}
};

struct Spent {
    double cpu = 0;
    double wall = 0;
};

// The rig's jobs answer from `dialogs`, with `file` in the program folder holding these bytes.
void useFile(MechRig& r, FileDialogs& dialogs, const QByteArray& bytes)
{
    dialogs.file = r.env.dir.filePath(QStringLiteral("job.txt"));
    QFile f(dialogs.file);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    r.ctx().svc.dialogs = &dialogs;
}

QByteArray nriFileBytes(const std::array<QString, 33>& lines)
{
    return quenby::nriDataFileLines(lines).join(QStringLiteral("\r\n")).toLatin1() + "\r\n";
}

} // namespace

void memoryWindowJobs()
{
    std::printf("memory windows' jobs (floor: the same job on virtual time):\n");
    static FileDialogs dialogs;
    static Spent nriGaps;
    const Job jobs[] = {
        {"435 from file, verify", "CC", "435",
         [](MechRig& r) {
             quenby::readMechMemory(r.ctx());
             QByteArray f;
             for (int a = 0; a < 256; ++a)
                 f += QByteArray::number(a) + ',' + QByteArray::number(r.mem.images.readImage[size_t(a)] ^ 0x0101) + "\r\n";
             useFile(r, dialogs, f);
         },
         [](MechRig& r) { quenby::eeProgramme(*r.families.forJob()); }},
        {"G13-6000 from file", "NRI", "G13-6000",
         [](MechRig& r) {
             std::array<QString, 33> lines;
             const sim::NriMech other(QStringLiteral("G13-6000"), {}, true);
             for (int n = 1; n <= 28; ++n)
                 lines[size_t(n)] = QString::fromLatin1(other.record(n - 1));
             useFile(r, dialogs, nriFileBytes(lines));
         },
         [](MechRig& r) {
             const double c0 = bench::cpuSeconds();
             QElapsedTimer t;
             t.start();
             quenby::NRIprogramme(*r.families.forJob(), true);
             nriGaps = {bench::cpuSeconds() - c0, double(t.elapsed()) / 1000.0};
         }},
        {"G10-4000 from file", "NRI", "G10-4000",
         [](MechRig& r) {
             r.families.forJob()->read();
             useFile(r, dialogs, nriFileBytes(r.mem.nri.nriDataLines));
         },
         [](MechRig& r) { quenby::NRIprogramme(*r.families.forJob(), true); }},
        {"PROM view 2K read", "Mars", "ME111", [](MechRig& r) { r.mem.promSize = 1; },
         [](MechRig& r) {
             NoPanes view;
             quenby::readPromCommand(*r.families.forJob(), view);
         }},
    };
    for (const Job& j : jobs)
        benchJob(j);
    std::printf("NRI programming from a file, mostly its 500 ms gaps: %.2f s, CPU %.4f s = %.2f%% of one core "
                "(goal: under 1%%)\n",
                nriGaps.wall, nriGaps.cpu, 100.0 * nriGaps.cpu / nriGaps.wall);
}

} // namespace qbench
