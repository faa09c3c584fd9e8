#include "options/options.h"

namespace qm {

using F = FieldNumber;

QList<FieldNumber> Options::items(FieldView view, bool withLyrics3)
{
    switch (view) {
    case FieldView::FileInfo:
        return {F::Siz, F::Dur, F::Inf};
    case FieldView::Id3v1:
        if (!withLyrics3)
            return {F::Tit, F::Trc, F::Art, F::Alb, F::Yea, F::Gen, F::Com};
        return {F::Tit, F::Trc, F::Art, F::Alb, F::Yea, F::Gen, F::Com,
                F::Ope, F::Tt1, F::Oal, F::Ory, F::Cop, F::Slt};
    case FieldView::Id3v2:
        return {F::Tit, F::Trc, F::Art, F::Alb, F::Yea, F::Gen, F::Com, F::Ope, F::Tt1,
                F::Oal, F::Ory, F::Cop, F::Slt, F::Cmp, F::Enc, F::Lan, F::Xxx};
    }
    return {};
}

Options::Options()
    : m_lists{FieldLists(items(FieldView::FileInfo)), FieldLists(items(FieldView::Id3v1)),
              FieldLists(items(FieldView::Id3v2))}
{
}

void Options::setReadLyrics2(bool on)
{
    if (on == m_readLyrics2)
        return;
    m_readLyrics2 = on;
    FieldLists &id3v1 = lists(FieldView::Id3v1);
    if (on)
        id3v1.append(items(FieldView::Id3v1).mid(kId3v1BasicItems));
    else
        id3v1.truncate(kId3v1BasicItems);
}

} // namespace qm
