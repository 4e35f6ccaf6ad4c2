#include "quenby/clonewizard/clonecontext.h"

#include "platform/fileexists.h"
#include "quenby/shell/texts.h"

namespace quenby {

namespace {
namespace id {
using textid::Gathering;
} // namespace id
} // namespace

QString CloneContext::text(int id) const { return texts.getText(id); }

int CloneContext::message(const QString& body, int style, int titleId) const
{
    return svc.dialogs->msgBox(body, style, text(titleId));
}

bool CloneContext::fileExists(const QString& path) const
{
    return shared::fileExists(path, *svc.dialogs, texts.fileExistsTexts(),
                              [&](const std::exception& e) { errors.reportError(id::Gathering, e); });
}

const MechEntry& CloneContext::entry() const { return entryCache.of(job.mechFamily, job.mechModel); }

std::unique_ptr<MechFamily> CloneContext::family() const { return makeMechFamily(mech, entry()); }

} // namespace quenby
