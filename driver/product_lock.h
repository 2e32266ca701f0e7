// One installation or removal of a product at a time, on the whole machine.
#pragma once

/// Takes the product's lock for the rest of the process (TakeProductLock with the settings'
/// productId), which the installer and the uninstaller both take: the administrators' for an
/// installation for all users (`forAllUsers`), the user's for one for that user. Returns true
/// when it is held. When another installation or removal of the product holds it, says so in one message
/// box (unless `silent`) and returns false: the caller then writes nothing and ends (ExitBusy).
bool LockProduct(bool silent, bool forAllUsers);
