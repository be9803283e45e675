// Formix's add-on for firefox-esr lives in the system-wide add-on folder
// /usr/share/mozilla/extensions/{ec8030f7-c20a-464f-9b0e-13a3a9e97384}/bridge@formix.
// Firefox looks for new add-ons there early at start-up only when this scope (8, the system) is
// scanned; otherwise a profile that existed before the package was installed finds the add-on
// late and runs it only from its second start. Debian's firefox-esr already accepts unsigned
// add-ons in this scope (extensions.unsignedScopes) and does not disable them (autoDisableScopes).
pref("extensions.startupScanScopes", 8);
