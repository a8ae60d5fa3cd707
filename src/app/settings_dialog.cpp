#include "app/settings_dialog.h"

// Until the dialog exists the show starts with the defaults, as it does when
// a dialog cannot be shown.
int ShowDisplaySettingsDialog(DisplaySettings&) { return 2; }
