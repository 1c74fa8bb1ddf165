// The card actions of the card dialog and of quandorctl with their audit trail: each
// reports what it did (or why it failed) and then behaves as the plain action does.
#pragma once

#include <string>

#include "audit/events.h"
#include "cards/card_files.h"

namespace cards {

// RewriteCardAccount on `card` as listed (its user and password are the old ones), then
// event 1030; a failure gives 1033 and propagates unchanged.
void RewriteCardAccountAudited(const CardFile& card, const std::string& user, const std::string& password);

// DeleteCard, then 1031, or 1033 when the file stays.
bool DeleteCardAudited(const CardFile& card);

// DeleteAllCards, then 1032 with how many were deleted and how many stay.
CardReset DeleteAllCardsAudited(const std::string& folder);

// The event of quandorctl's write of one key (`key`) or of the whole file (`key` empty)
// of an enciphered file: a card file (a name ending in ".dll") is named by its masked number.
audit::Event FileWrittenEvent(const std::string& path, const std::string& section, const std::string& key);

}  // namespace cards
