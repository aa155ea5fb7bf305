#pragma once

namespace quorvel::platform {

class GestureRecognizer;

// Lets an object veto or share a recognizer's recognition. Held weakly by the recognizer.
class GestureRecognizerDelegate {
public:
    virtual ~GestureRecognizerDelegate() = default;
    // Asked when the recognizer is about to begin (continuous) or recognize (discrete); false
    // makes it fail. True by default.
    virtual bool gestureRecognizerShouldBegin(GestureRecognizer& recognizer);
    // Whether `recognizer` may recognize while `other` does too. By default only one recognizer
    // of a touch recognizes: the first to begin makes the others fail.
    virtual bool gestureRecognizerShouldRecognizeSimultaneously(GestureRecognizer& recognizer,
                                                                GestureRecognizer& other);
};

}  // namespace quorvel::platform
