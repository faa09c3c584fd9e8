#include "formats/nativetag.h"

#include "formats/ogg.h"

namespace qm {

bool applyWritePlan(const QByteArray &file, const WritePlan &plan, QByteArray *out, Fault *fault)
{
    switch (plan.kind) {
    case WritePlan::Unchanged:
        *out = file;
        return true;
    case WritePlan::InPlace:
        *out = QByteArray(file).replace(plan.offset, plan.bytes.size(), plan.bytes);
        return true;
    case WritePlan::Rewrite:
        break;
    }
    QByteArray rest = file.sliced(plan.audioFrom);
    if (plan.sequenceShift != 0
        && !ogg::renumberPages(rest, plan.serial, plan.sequenceShift, fault))
        return false;
    *out = plan.bytes + rest;
    return true;
}

QString channelsText(int channels)
{
    if (channels == 1)
        return QStringLiteral("mono");
    if (channels == 2)
        return QStringLiteral("stereo");
    return QStringLiteral("%1 channels").arg(channels);
}

} // namespace qm
