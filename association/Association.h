// The association of .mv1 documents with Morvane, held under HKEY_CLASSES_ROOT.
#ifndef SETUP_ASSOCIATION_H
#define SETUP_ASSOCIATION_H

// True when the ProgID key can be opened with full access; only that key is looked at.
bool IsAssociated();

// Writes the command, extension and icon keys, in that order. 0: done; 1: not done (the
// association was already present, a key could not be created, or the current directory
// does not fit the values). Keys written before a failure stay.
int RegisterAssociation();

// Deletes the ProgID tree and the extension tree after asking the user. 0: both gone;
// 1: not done (nothing to remove, the user said No, or a deletion failed).
int RemoveAssociation();

#endif
