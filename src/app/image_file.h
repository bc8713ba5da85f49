// The image file of /D=: opened at start-up, given its name when the run
// has succeeded.
//
// An existing file of that name keeps its contents until the run has
// written the whole image: the image goes into a file of its own beside
// it (the name with ".zolt-part" added, and a number when that is taken),
// which replaces it only at the end of a successful run. A run that fails,
// is stopped or never starts removes that file again, and the file under
// the name stays as it was. A name that is no plain file (a device such as
// /dev/null or NUL, a pipe) cannot be replaced that way; it is written
// directly, as it is opened.
#ifndef ZOLT_APP_IMAGE_FILE_H
#define ZOLT_APP_IMAGE_FILE_H

// Opens the image file for `name` (the /D= argument, which stays in the
// command line): sets app.imageFileName and, when the file can be made,
// app.imageFile. An earlier /D= file of the same command line is dropped.
void OpenImageFile(char* name);

// The run has ended: with `keep` the image written gets its name, else a
// file written beside it is removed. Closes app.imageFile (and clears it);
// only the first call acts, from whichever thread. Returns 0, or the error
// number of a file that could not be given its name (already listed).
int SettleImageFile(bool keep);

// True while an image is being written beside its name, not yet settled.
bool ImageFilePending();

#endif
