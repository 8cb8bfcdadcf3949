// The keys and values, relative to HKEY_CLASSES_ROOT, that make up the association.
// Key names and texts are Shift-JIS; this file is compiled with that execution charset.
#ifndef SETUP_ASSOCIATION_KEYS_H
#define SETUP_ASSOCIATION_KEYS_H

// The ProgID. Its presence alone marks the association as present.
static const char szProgIdKey[] = "Morvane";

// The one shell verb, "復元(&R)" (bytes 95 9C 8C B3 28 26 52 29), and the command it runs:
// the current directory followed by this suffix, the document's path unquoted.
static const char szCommandKey[] = "Morvane\\shell\\復元(&R)\\command";
static const char szCommandSuffix[] = "\\Morvane %1";

// The extension names the ProgID as its type.
static const char szExtensionKey[] = ".mv1";
static const char szExtensionProgId[] = "Morvane";

// Icon index 1 of Morvane.exe in the current directory.
static const char szIconKey[] = "Morvane\\DefaultIcon";
static const char szIconSuffix[] = "\\Morvane.exe,1";

#endif
