#pragma once

#include "Platform/UI/AnimationValue.h"

namespace quorvel::platform {

// Groups layer property changes, standing in for the phone platform's animation transactions.
// A stack: begin() opens a transaction that inherits the settings in force, commit() closes the
// innermost one (a commit without a begin is ignored). With none open, the implicit transaction
// has the defaults: animationDuration 0.25 s, timing linear, actions enabled. Setters change the
// innermost open transaction, or, with none open, the implicit one for the rest of the current
// main-queue turn (the defaults come back on the next turn, or with resetImplicit()). Main thread
// only.
class Transaction {
public:
    Transaction() = delete;

    static constexpr double defaultAnimationDuration = 0.25;

    static void begin();
    static void commit();
    // Open explicit transactions.
    static int depth();

    static double animationDuration();
    static void setAnimationDuration(double seconds);
    static TimingFunction animationTimingFunction();
    static void setAnimationTimingFunction(TimingFunction function);
    // When true, setting an animatable layer property asks no action: the change shows at once.
    static bool disableActions();
    static void setDisableActions(bool disable);

    // Puts the implicit transaction back to the defaults.
    static void resetImplicit();
};

}  // namespace quorvel::platform
