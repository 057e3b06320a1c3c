// Warnings that wash items carry from the definitions they were imported from
// (tItemContent::Warning, "Warning" in the item's section): what the item erases that the user
// may want to keep (saved passwords, sessions). The user sees the warning before such an item is
// ticked, and before it is washed by hand while it is unticked; a ticked item was confirmed when
// it was ticked. A question that is declined, or that nobody can answer (the port's Ask left
// empty), leaves the item unticked and unwashed.
#pragma once

#include <string>

#include "model/item.h"

namespace vorlisk {

class MainSession;

// The warning the item carries; "" when it has none.
std::string ItemWarning(const titem_property& item);

// What the user is about to do with a warned item.
enum class WarnedStep { Tick, Wash };

// Asks whether to go on with `step` for an item carrying `warning`: true when the warning is
// empty or the user answers Yes.
bool AcceptItemWarning(MainSession& session, const std::string& itemName,
                       const std::string& warning, WarnedStep step);

}  // namespace vorlisk
