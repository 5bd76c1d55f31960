// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Every text the user sees, by its number where it has one.
namespace Texts {

// Messages of the byte store and the file commands.
inline constexpr const char* AllocatingMemory = "Allocating memory";
inline constexpr const char* ReleasingMemory = "Releasing memory";
inline constexpr const char* DeleteBusy = "Delete...";
inline constexpr const char* InsertBusy = "Insert...";
inline constexpr const char* CopyBusy = "Copy...";
inline constexpr const char* ErrorAllocating = "Error allocating memory.\nProgram terminated.";
inline constexpr const char* ErrorDeallocating = "Error deallocating memory.\nProgram terminated.";
inline constexpr const char* CantAllocate = "Can't allcate additional memory\nto perform operation";
inline constexpr const char* NotEnoughMemory = "Not enough memory allocated\nfor this operation";
inline constexpr const char* FileTooLargeForMemory =
    "%s is too large for the memory available:\n%.0n bytes to read, %.0n bytes available";
inline constexpr const char* NoMemoryForGrowth =
    "Not enough memory available\nto perform operation:\n%.0n bytes needed, %.0n bytes available";
inline constexpr const char* ErrorOpeningFile = "Error opening file\n%s";
inline constexpr const char* ErrorReading = "Error reading\n%s";
inline constexpr const char* ReadingCancelled = "Reading cancelled:\n%s";
inline constexpr const char* ReadingFile = "Reading file";
inline constexpr const char* WritingFile = "Writing file";
inline constexpr const char* WritingCancelled = "Writing %s cancelled";
inline constexpr const char* ErrorWriting = "Error writing\n%s";
inline constexpr const char* ErrorClosingFile = "Error closing file\n%s";
inline constexpr const char* CantKeepOwner = "The file's owner could not be kept.";
inline constexpr const char* CantKeepPermissions = "The file's permissions could not be kept.";
inline constexpr const char* CantSetFileTime = "The file's date/time could not be set.";
inline constexpr const char* TemporaryFileLeft = "Temporary file left behind:\n%s";
inline constexpr const char* CopyingOldContents = "Copying old contents";
inline constexpr const char* OldContentsCopyLeft = "Copy of the old contents left behind: %s";
inline constexpr const char* FileMayBeDamaged = "The file may be damaged.";
inline constexpr const char* OldContentsKeptIn = "The file may be damaged. Its old contents are kept in:\n%s";
inline constexpr const char* InPlaceWithoutCopy =
    "%s can only be overwritten in place, and no copy of its old contents can be kept. If saving fails part "
    "way, the file will be damaged. Save anyway?";
inline constexpr const char* CantKeepBackup = "The previous version could not be kept as %s.";
inline constexpr const char* BackupKeptIn =
    "%s was saved, but its previous version could not be named %s. It is kept in:\n%s";
inline constexpr const char* ChangedOnDisk = "%s was changed by another program. Load it again?";
inline constexpr const char* ChangedOnDiskModified =
    "%s was changed by another program. Your changes would be lost. Load it again?";
inline constexpr const char* ChangedSinceLoaded =
    "%s was changed by another program since it was loaded. Save over it?";
inline constexpr const char* DeletedOnDisk = "%s was deleted by another program. Save writes it anew.";
inline constexpr const char* ShortenedOnDisk =
    "%s was changed by another program: bytes from address %.0n on can no longer be read, and show as --. "
    "Your changes are kept; save them under another name with Save as.";
inline constexpr const char* FileNotFound = "File not found:\n%s";
inline constexpr const char* FileIsEmpty = "File is empty:\n%s";
inline constexpr const char* ModifiedSaveNow = "%s modified. Save now?";
inline constexpr const char* OpenFileTitle = "Open file";
inline constexpr const char* OpenReadOnlyTitle = "Open file read-only";
inline constexpr const char* ReadOnlyMark = " (read-only)";
inline constexpr const char* FileIsReadOnly = "The file is read-only";
// The files of the last session that are gone (a list of names).
inline constexpr const char* SessionFilesGone = "Not found, so not opened again: %s";
inline constexpr const char* SaveFileAsTitle = "Save file as";
inline constexpr const char* FileMasks = "*.*,*.exe";
inline constexpr const char* FavoritesSection = "Favorites";
inline constexpr const char* NoNamePrefix = "NoName";
// Recovery of unsaved changes.
inline constexpr const char* RecoverChanges =
    "NIBLO was closed before changes to %s were saved (%d changes, the last at %s). Recover them?";
inline constexpr const char* RecoverDeleteForGood =
    "The unsaved changes to %s will be lost for good. Delete them?";
inline constexpr const char* RecoverChangedOnDisk =
    "%s was changed on disk since the changes were made; they do not fit it any more. Recover them into "
    "an untitled file instead (the file as it is now, with the changes applied)?";
inline constexpr const char* RecoverMissing =
    "%s cannot be opened any more. Recover the changes into an untitled file instead?";
inline constexpr const char* RecoverPartly = "Only %d of the %d changes to %s could be recovered.";
inline constexpr const char* RecoveringCaption = "Recovering changes";
inline constexpr const char* RecoveryTooLarge =
    "Recovery of %s is off until it is saved: the change is too large for the recovery journal.";
inline constexpr const char* RecoveryNotWritten =
    "Recovery of %s is off until it is saved: the recovery journal cannot be written.";
inline constexpr const char* SaveInPlaceRolledBack =
    "NIBLO was closed while saving %s. The save was undone: the file holds its contents from before it.";
inline constexpr const char* SaveInPlaceCompleted =
    "NIBLO was closed while saving %s. The save had finished: the file holds the saved contents.";
inline constexpr const char* SaveInPlaceNotRepaired =
    "NIBLO was closed while saving %s, and the file could not be put back as it was. What it needs is kept in:\n%s";
inline constexpr const char* OtherWindowEditing = "Another NIBLO window has unsaved changes to %s.";
// Undo and redo.
inline constexpr const char* CannotBeUndone = "This change cannot be undone. Go on?";
inline constexpr const char* UndoHint = "Undo %s";
inline constexpr const char* RedoHint = "Redo %s";
inline constexpr const char* UndoBusy = "Undo...";
inline constexpr const char* RedoBusy = "Redo...";
inline constexpr const char* BlockNoLongerValid = "Block no longer valid";
inline constexpr const char* NoBlockMarked = "No block marked";
inline constexpr const char* CantCopyWithinBlock =
    "Can't copy or move within block\n(use clipboard if necessary)";
inline constexpr const char* BlockRemains = "Block remains on same position";
inline constexpr const char* CantOverwriteBeyondEnd = "Can't overwrite beyond end of file";

// Search and replace.
inline constexpr const char* Searching = "Searching...";
inline constexpr const char* CurrentFilePosition = "Current file position";
inline constexpr const char* StringNotFound = "String not found";
inline constexpr const char* OccurencesFound = "Occurences found:\n%.0n";
inline constexpr const char* ReplacingCaption = "Replacing...";
inline constexpr const char* ReplacingLabel = "Replacing";
inline constexpr const char* SearchingAndReplacing = "Searching and replacing";
inline constexpr const char* Step1Counting = "Step1: Counting";
inline constexpr const char* Step2Replacing = "Step2: Replacing";
inline constexpr const char* OccurencesReplaced = "Occurences replaced:\n%.0n";
inline constexpr const char* MemorySufficientFor =
    "Occurences to replace: %.0n;\nmemory sufficient for\n%.0n replacements.\nReplace them?";
inline constexpr const char* NotBpExecutable = "File is not a\nBorland Pascal 7.0 executable";
inline constexpr const char* FileSuccessfullyPatched = "File successfully patched";

// The main window.
inline constexpr const char* AdrDec = "Adr. dec: %.0n";
inline constexpr const char* AdrHex = "Adr. hex: %x";
inline constexpr const char* CharDec = "Char dec: %d";
inline constexpr const char* Overwrite = "Overwrite";
inline constexpr const char* Insert = "Insert";
inline constexpr const char* Scrolling = "Scrolling...";
inline constexpr const char* CopyToClipboardBusy = "Copy data to clipboard";
inline constexpr const char* CantCopyToClipboard = "Can't copy data to clipboard";
inline constexpr const char* BlockTooLargeForClipboard =
    "Block too large for the clipboard:\n%.0n bytes, at most %.0n";
inline constexpr const char* PasteFromClipboardBusy = "Paste data from clipboard";
inline constexpr const char* ClipboardNotHex =
    "Clipboard text is not hex bytes\n(pairs of hex digits, perhaps with 0x or \\x,\napart by spaces, commas or line breaks,\nor joined by colons or hyphens)";
inline constexpr const char* OfferEmptyClipboard =
    "Clipboard contains more than %.0n\nbytes binary data from NIBLO.\nEmpty clipboard now?";
inline constexpr const char* ScrollbarOutOfRange = "Scrollbar property out of range";
inline constexpr const char* PanelsAdjustError = "Error: PanelsAdjust";
inline constexpr const char* MemoryState =
    "Current file size: %.0n bytes\nMemory allocated: %.0n bytes"; // 2010

// The control library (300 to 703).
inline constexpr const char* BtnYes = "&Yes";                      // 304
inline constexpr const char* BtnNo = "&No";                        // 305
inline constexpr const char* BtnOk = "&OK";                        // 306
inline constexpr const char* BtnCancel = "&Cancel";                // 307
inline constexpr const char* BtnAbort = "&Abort";                  // 308
inline constexpr const char* BtnRetry = "&Retry";                  // 309
inline constexpr const char* BtnIgnore = "&Ignore";                // 310
inline constexpr const char* BtnAll = "All";                       // 311
inline constexpr const char* BtnHelp = "Help";                     // 312
inline constexpr const char* InfoAbout = "Info about";             // 313
inline constexpr const char* CaptionWarning = "Warning";           // 700
inline constexpr const char* CaptionError = "Error";               // 701
inline constexpr const char* CaptionInformation = "Information";   // 702
inline constexpr const char* CaptionConfirmation = "Confirmation"; // 703

// Number formats fixed at start, whatever the user's locale.
inline constexpr char ThousandSeparator = ','; // 513
inline constexpr char DecimalSeparator = '.';  // 514
inline constexpr char DateSeparator = '-';     // 508, short date format "mm-dd-yy" (500)
inline constexpr char TimeSeparator = ':';     // 512, short time format "hh:mma/p" (510)

// The input/output error texts 1 to 219 ("" where the table has no entry).
const char* IoErrorEntry(int code);
// "Error <code>: <text>" for codes up to 219, "" beyond.
std::string IoErrorText(int code);

// Input controls and the settings file.
inline constexpr const char* UnableToWrite = "Unable to write to %s";
inline constexpr const char* DropOnlyEdit = "Please drop only\r\nan edit control";
inline constexpr const char* AcceptOnlyOneEdit = "Accept only one\r\nedit control";

} // namespace Texts

namespace Texts {

// The settings file, the Options dialog, the recent-files list and dropped files.
inline constexpr const char* ErrorWritingIni = "Error writing NIBLO.INI";
inline constexpr const char* DropOnlyOneFile = "Please drop only one file"; // 2069
inline constexpr const char* MruSection = "MRU Files";
inline constexpr const char* AppIniName = "<AppIniName>";

} // namespace Texts

namespace Texts {

// The find, replace and insert dialogs.
inline constexpr const char* EnterJokerChar = "Enter joker char";
inline constexpr const char* CantFindEmptyString = "Can't find empty string";
inline constexpr const char* HexSequenceInvalid = "Hex sequence invalid";
inline constexpr const char* CantInsertEmptyString = "Can't insert empty string";

} // namespace Texts

namespace Texts {

// The open/save dialog and its favourites list.
inline constexpr const char* BtnOpen = "&Open";                                      // 300
inline constexpr const char* BtnSave = "&Save";                                      // 301
inline constexpr const char* FileNameLabel = "File Name";                            // 302
inline constexpr const char* FileTypeLabel = "File Type";                            // 303
inline constexpr const char* BtnDelete = "Delete";                                   // 317
inline constexpr const char* SelectFavorites = "Select/delete from favorites";       // 318
inline constexpr const char* AlreadyExists = "File\n%s\nalready exists. Overwrite?"; // 400
inline constexpr const char* DiskCantBeRead = "Disk in drive %s:\ncant't be read.";  // 611
inline constexpr const char* FileNotFoundBang = "File %s not found!";
inline constexpr const char* PathNotFound = "Path not found:\r\n%s";
inline constexpr const char* HintDirectoryUp = "Directory up";
inline constexpr const char* HintSearchFavorites = "Search in favorites";
inline constexpr const char* HintAddFavorites = "Add to favorites";
inline constexpr const char* HintSortName = "Sort by name";
inline constexpr const char* HintSortExt = "Sort by extension";
inline constexpr const char* HintSortSize = "Sort by size";
inline constexpr const char* HintSortTime = "Sort by time";
inline constexpr const char* HintList = "List";
inline constexpr const char* HintDetails = "Details";
inline constexpr const char* ColumnName = "Name";
inline constexpr const char* ColumnSize = "Size";
inline constexpr const char* ColumnType = "Type";
inline constexpr const char* ColumnDate = "Date";
// Address navigation, Block <n> and the integer tools.
inline constexpr const char* AdressInvalid = "Adress invalid";     // the Go to dialog
inline constexpr const char* AdressInvalidJump = "Adress invalid"; // jumps and the remembered address
inline constexpr const char* JumpWidthInvalid = "Jump width invalid";
inline constexpr const char* BlockSizeInvalid = "Block size invalid";
inline constexpr const char* NoDigitOf = "%s:\n'%s' is no %s digit"; // one of the three above
inline constexpr const char* BaseDecimal = "decimal";
inline constexpr const char* BaseHexadecimal = "hexadecimal";
inline constexpr const char* DifferenceDec = "Remembered adress dec: %.0n\nDifference dec: %.0n";
inline constexpr const char* DifferenceHex = "Remembered adress hex: %x\nDifference hex: %x";
inline constexpr const char* ValueOutOfRange = "Value out of range";
inline constexpr const char* WritingEncoded = "Writing encoded number...";
inline constexpr const char* ByteOrderLsb = "Byte order: LSB...MSB (Pascal)";
inline constexpr const char* ByteOrderMsb = "Byte order: MSB...LSB";
inline constexpr const char* DecodeShortint = "1 byte  as shortint: %11d";
inline constexpr const char* DecodeWord = "2 bytes as word:     %11d";
inline constexpr const char* DecodeInteger = "2 bytes as integer:  %11d";
inline constexpr const char* DecodeLongint = "4 bytes as longint:  %11d";

// The data inspector.
inline constexpr const char* InspectorRowNames[] = {
    "Int8",          "UInt8",   "Int16",   "UInt16",  "Int24",        "UInt24",       "Int32",
    "UInt32",        "Int64",   "UInt64",  "Binary",  "Octal",        "Float16",      "bfloat16",
    "Float32",       "Float64", "SLEB128", "ULEB128", "Unix time 32", "Unix time 64", "FILETIME",
    "DOS date/time", "GUID",    "UTF-8",   "UTF-16",  "Windows-1252"};
inline constexpr const char* InspectorTitle = "Data inspector";
inline constexpr const char* InspectorLittleEndian = "Little endian";
inline constexpr const char* InspectorBigEndian = "Big endian";
inline constexpr const char* InspectorCopy = "&Copy";
inline constexpr const char* InspectorNoValue = "-";
inline constexpr const char* InspectorInvalid = "invalid";
inline constexpr const char* InspectorLebLength = "%s, length %d";
inline constexpr const char* InspectorBadValue = "Not a valid %s: %s";
inline constexpr const char* InspectorOutOfRange = "Value out of range for %s: %s";

// Checksums.
inline constexpr const char* ChecksumNames[] = {
    "CRC-32",  "CRC-32C", "CRC-64/XZ", "Adler-32", "MD5",         "SHA-1",       "SHA-224", "SHA-256",
    "SHA-384", "SHA-512", "SHA3-256",  "SHA3-512", "BLAKE2b-512", "BLAKE2s-256", "XXH3-64", "XXH3-128"};
inline constexpr const char* ChecksumHints[] = {"as zip, gzip, PNG and zlib compute it",
                                                "Castagnoli: iSCSI, ext4, Btrfs",
                                                "ECMA-182 polynomial, as XZ computes it",
                                                "zlib",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "xxHash, as xxhsum -H3 shows it",
                                                "xxHash, as xxhsum -H2 shows it"};
inline constexpr const char* ChecksumsTitle = "Checksums";
inline constexpr const char* ChecksumsBytes = "Bytes";
inline constexpr const char* ChecksumsBlock = "Marked &block: %.0n bytes";
inline constexpr const char* ChecksumsWholeFile = "&Whole file: %.0n bytes";
inline constexpr const char* ChecksumsAlgorithms = "Algorithms";
inline constexpr const char* ChecksumsCompute = "C&ompute";
inline constexpr const char* ChecksumsCopy = "Copy";
inline constexpr const char* ChecksumsCopyHint = "Copy this value to the clipboard";
inline constexpr const char* ChecksumsCopyAll = "Copy &all";
inline constexpr const char* ChecksumsClose = "Close";
inline constexpr const char* ChecksumsCompareWith = "Com&pare with:";
inline constexpr const char* ChecksumsMatches = "Matches %s";
inline constexpr const char* ChecksumsNoMatch = "No value matches";
inline constexpr const char* ChecksumsComputing = "Computing checksums";
inline constexpr const char* ChecksumsCancelled = "Computing cancelled";
inline constexpr const char* ChecksumsNotAvailable = "not available";

} // namespace Texts
