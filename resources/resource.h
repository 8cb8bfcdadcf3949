// Identifiers shared by the resource script and the dialog procedure.
#ifndef SETUP_RESOURCE_H
#define SETUP_RESOURCE_H

#define IDI_SETUP       102

#define IDC_APPLY       1002
#define IDC_CANCEL      1003
#define IDC_ASSOCIATE   1004

#endif
