// The benchmarks' message service: it answers every box at once and counts them, so that a
// benchmark can tell that its run showed nothing.
#pragma once

#include "app/MessagePresenter.h"

class CountingPresenter : public IMessagePresenter {
public:
    MsgAnswer Present(const MessageBoxRequest&) override {
        ++shown;
        return MsgAnswer::Ok;
    }
    int shown = 0;
};
