#pragma once

#include <memory>
#include <vector>

#include "Platform/UI/View.h"

namespace quorvel::platform {

enum class LayoutAxis { horizontal, vertical };
// How arranged views are placed across the axis: filling the stack's breadth (the default), or
// at their own breadth at the leading edge, centred or at the trailing edge.
enum class StackViewAlignment { fill, leading, center, trailing };

// Lays out its arranged subviews in a row or a column, standing in for the phone platform's stack
// view (fill distribution). Main thread only.
//
// Along the axis: hidden arranged views take no space (and no spacing); a view with a fixed
// size (an active constraint on its width or height with no second item, see View::fixedConstant)
// or an intrinsic size along the axis keeps it; the others share what remains equally (never
// less than 0). Across the axis, views fill the stack unless the alignment says otherwise (then
// they take their fixed or intrinsic breadth). Showing or hiding an arranged view lays the
// stack out again.
class StackView : public View {
public:
    static std::shared_ptr<StackView> make(std::vector<std::shared_ptr<View>> arranged = {},
                                           const Rect& frame = {});

    LayoutAxis axis() const { return axis_; }
    void setAxis(LayoutAxis axis);
    double spacing() const { return spacing_; }
    void setSpacing(double spacing);
    StackViewAlignment alignment() const { return alignment_; }
    void setAlignment(StackViewAlignment alignment);

    const std::vector<std::shared_ptr<View>>& arrangedSubviews() const { return arranged_; }
    // Also adds the view as a subview.
    void addArrangedSubview(const std::shared_ptr<View>& view);
    void insertArrangedSubview(const std::shared_ptr<View>& view, std::size_t index);
    // Takes the view out of the arrangement; it stays a subview, as on the platform.
    void removeArrangedSubview(const std::shared_ptr<View>& view);

    void layoutSubviews() override;
    Size intrinsicContentSize() const override;

protected:
    explicit StackView(const Rect& frame);

private:
    LayoutAxis axis_ = LayoutAxis::horizontal;
    double spacing_ = 0;
    StackViewAlignment alignment_ = StackViewAlignment::fill;
    std::vector<std::shared_ptr<View>> arranged_;
};

}  // namespace quorvel::platform
