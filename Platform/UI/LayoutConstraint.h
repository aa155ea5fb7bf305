#pragma once

#include <memory>
#include <string>
#include <vector>

namespace quorvel::platform {

class View;

// The attributes of a constraint, with the phone platform's cases.
enum class LayoutAttribute {
    left,
    right,
    top,
    bottom,
    leading,
    trailing,
    width,
    height,
    centerX,
    centerY,
    notAnAttribute,
};
enum class LayoutRelation { lessThanOrEqual = -1, equal = 0, greaterThanOrEqual = 1 };

// A layout constraint as a record: firstItem.firstAttribute (relation) secondItem.secondAttribute
// × multiplier + constant. There is NO solver: a screen's layout code (its root view's
// layoutSubviews or layout handler) reads the records that the screen changes (constants, which
// constraint is active) and places the views accordingly. Items are held weakly. Main thread
// only.
//
// activate() stores the constraint on the nearest common ancestor of its items (the first item
// itself when there is no second item) and marks it active; deactivate() removes it from there.
// Activating, deactivating or changing the constant marks the first item's superview (and the
// first item) for layout.
class LayoutConstraint : public std::enable_shared_from_this<LayoutConstraint> {
public:
    static std::shared_ptr<LayoutConstraint> make(const std::shared_ptr<View>& firstItem,
                                                  LayoutAttribute firstAttribute,
                                                  LayoutRelation relation,
                                                  const std::shared_ptr<View>& secondItem,
                                                  LayoutAttribute secondAttribute,
                                                  double multiplier = 1, double constant = 0);
    // A constant size or position with no second item: item.attribute == constant.
    static std::shared_ptr<LayoutConstraint> make(const std::shared_ptr<View>& item,
                                                  LayoutAttribute attribute, double constant);

    std::shared_ptr<View> firstItem() const { return firstItem_.lock(); }
    LayoutAttribute firstAttribute() const { return firstAttribute_; }
    LayoutRelation relation() const { return relation_; }
    std::shared_ptr<View> secondItem() const { return secondItem_.lock(); }
    LayoutAttribute secondAttribute() const { return secondAttribute_; }
    double multiplier() const { return multiplier_; }

    double constant() const { return constant_; }
    void setConstant(double constant);
    // 1000 (required) until set; recorded only.
    float priority() const { return priority_; }
    void setPriority(float priority) { priority_ = priority; }

    bool isActive() const { return active_; }
    void setActive(bool active);
    void activate() { setActive(true); }
    void deactivate() { setActive(false); }
    static void activate(const std::vector<std::shared_ptr<LayoutConstraint>>& constraints);
    static void deactivate(const std::vector<std::shared_ptr<LayoutConstraint>>& constraints);

    const std::string& identifier() const { return identifier_; }
    void setIdentifier(std::string identifier) { identifier_ = std::move(identifier); }

    // The value the first attribute should have given the second item's current frame (in the
    // first item's superview coordinates): secondItem.secondAttribute × multiplier + constant,
    // or the constant alone without a second item. Layout code may use it.
    double targetValue() const;

protected:
    LayoutConstraint() = default;

private:
    friend class View;

    void markForLayout() const;

    std::weak_ptr<View> firstItem_;
    LayoutAttribute firstAttribute_ = LayoutAttribute::notAnAttribute;
    LayoutRelation relation_ = LayoutRelation::equal;
    std::weak_ptr<View> secondItem_;
    LayoutAttribute secondAttribute_ = LayoutAttribute::notAnAttribute;
    double multiplier_ = 1;
    double constant_ = 0;
    float priority_ = 1000;
    bool active_ = false;
    std::weak_ptr<View> owner_;
    std::string identifier_;
};

}  // namespace quorvel::platform
