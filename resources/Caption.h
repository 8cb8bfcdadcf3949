// Every message box of the utility, the dialog's and the association operations', carries
// this caption.
#ifndef SETUP_CAPTION_H
#define SETUP_CAPTION_H

static const char szInformationCaption[] = "INFORMATION";

#endif
