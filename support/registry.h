#pragma once
// One string value in the registry, with the root key named by text, and the remembered path of
// the last confirmed save-as dialog, carried from one run to the next.
#include <string>

// Root names: "HKEY_USERS", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT",
// spelled exactly so; any other name gives false. One leading "\" of the key path is dropped and
// an empty key path stands for the root itself.

// Stores Value as REG_SZ (its bytes and one zero byte), creating missing keys; true only when the
// value reads back equal byte for byte.
bool RegWriteString(const std::string& RootName, const std::string& KeyPath, const std::string& ValueName,
                    const std::string& Value);

// Reads a REG_SZ or REG_EXPAND_SZ value (not expanded), up to its first zero byte; a value of
// zero bytes reads as empty text whatever its type. Never creates a key. Value is empty whenever
// the result is false.
bool RegReadString(const std::string& RootName, const std::string& KeyPath, const std::string& ValueName,
                   std::string& Value);

// The last path confirmed in the save-as dialog; empty at start. Main thread only.
extern std::string LastDialogFile;

// Start hook: fills LastDialogFile from the registry (empty when nothing readable is stored).
void LoadLastDialogFile();
// Exit hook: stores LastDialogFile, then empties it. Registry failures are ignored.
void SaveLastDialogFile();
