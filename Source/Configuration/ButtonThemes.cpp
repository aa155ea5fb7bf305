#include "Source/Configuration/ButtonThemes.h"

namespace quorvel {

ButtonThemes::ButtonThemes(const DefaultTheme& theme) : primary_(theme), secondary_(theme) {}

}  // namespace quorvel
