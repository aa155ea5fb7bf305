#pragma once

namespace quorvel {

// A view that styles itself from a whole theme.
template <typename Theme>
class Presentable {
public:
    virtual ~Presentable() = default;
    virtual void apply(const Theme& theme) = 0;
};

}  // namespace quorvel
