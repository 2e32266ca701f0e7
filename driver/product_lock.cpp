// One installation or removal of a product at a time: the lock and its message.
#include "driver/product_lock.h"

#include <stdio.h>

#include "platform/message_box.h"
#include "platform/system.h"
#include "product/installer_settings.h"

namespace {

// The caption names no product: a caption that began with the product's title would be taken
// for a running copy by the installation that holds the lock, and asked to quit.
const char kBusyCaption[] = "Installation or Removal in Progress";
const char kBusyFormat[] =
    "Another installation or removal of %s is running on this computer. Wait until it has "
    "finished, then start this program again.";

// A fixed text around appTitle, whose length the packaging tool bounds.
enum { kMessageSize = 512 };

}  // namespace

bool LockProduct(bool silent, bool forAllUsers) {
  if (TakeProductLock(InstallerSettings.productId, forAllUsers) == ProductLockTaken) return true;
  if (!silent) {
    char text[kMessageSize];
    snprintf(text, sizeof text, kBusyFormat, InstallerSettings.appTitle);
    ShowMessage(nullptr, text, kBusyCaption, kMessageOk | kMessageWarning);
  }
  return false;
}
