// Resource identifiers of Formix.exe. The two tray pictures use the picture handles the model
// gives imgTRAY and imgTRAY2.
#pragma once

#define IDI_TRAY 0x5101
#define IDI_TRAY_BUSY 0x5102
#define IDI_FILL 0x5110
#define IDI_PROFILE 0x5111
#define IDI_SETTINGS 0x5112
