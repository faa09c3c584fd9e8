#pragma once

// Inside the session only: what its jobs' rows announce.

#include <QtGlobal>
#include <climits>

#include "session/session.h"

namespace qm {

// The rows a job has written since the last batch of steps, announced after
// that batch in one go, so a view does not relayout per row.
class Session::ChangedRows {
public:
    explicit ChangedRows(Session &session) : session_(session) {}
    void add(int row)
    {
        first_ = qMin(first_, row);
        last_ = qMax(last_, row);
    }
    void announce()
    {
        if (first_ > last_)
            return;
        emit session_.cellsChanged(first_, last_);
        first_ = INT_MAX;
        last_ = 0;
    }

private:
    Session &session_;
    int first_ = INT_MAX;
    int last_ = 0;
};

} // namespace qm
