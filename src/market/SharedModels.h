#pragma once

namespace market {
// Lets every QuilorSDK made from now on create the quote store, the
// recent-search holder and the group model. Idempotent.
void installSharedModels();
} // namespace market
