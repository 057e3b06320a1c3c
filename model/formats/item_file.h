// Vorlisk's own item files and the order file: how the item model (model/item.h) is read from them
// and written to them. Plug-in files are item files of the same format.
//
// model/formats/ is the one place where files of wash items are read and written; the model's
// objects only hold values and call here. A reader of another format of cleaner definitions
// (INI-style definition files, CleanerML) goes beside this file, as one header and source of its
// own, and produces the same titem_property, tItemContent, tChildFolder and tChildRegister values.
//
// The format: INI text through the platform's profile files (platform/profile.h), written with
// CRLF line ends. A "Common" section lists the item names ("Total", "Item0", ...: name_keys.h);
// each item has a section of its own named as its name key, holding "IsActive", "IsSpecial",
// "tFolder.Total" and the folder entries' keys "tFolder<n>.<key>", "tRegister.Total" and the
// registry entries' keys "tRegister<n>.<key>". A missing key reads as its default; keys beyond
// a total are never read. Writers write the keys in the order given here and throw WriteError
// when the file cannot be written; several writes of one change reach the file in one replacement.
//
// The order file has the same "Common" list, each value "<name><|><item file>", and a section of
// that value's name with "txtfilename", "IsActive" and "IsSpecial".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/item.h"

namespace vorlisk::formats {

// Between an item's name and its item file in the order file's name keys.
inline constexpr std::string_view kOrderMarker = "<|>";

// ---- entries ---------------------------------------------------------------------------------

// Reads the entry's keys at its binding (ItemFile, Section, Index). A kind stored as a number
// other than 0, 1 and 2 leaves the entry's kind as it was; fields that are not stored (FoundFiles)
// stay as they were.
void ReadEntry(tChildFolder& entry);
void ReadEntry(tChildRegister& entry);
// Writes the entry's keys at its binding: "ChildItemName", "isactive", "deletepath",
// "RegisterName", "RegisterValueofName", "deletefilename", "bycategory", "IsIncludeSubfolder";
// or "ChildItemName", "RegisterKeyName", "RegisterSingleValue", "isactive", "CleanRegisterType".
void WriteEntry(const tChildFolder& entry);
void WriteEntry(const tChildRegister& entry);

// Reads the total at the container's binding (ItemFile, Section) and creates and reads that many
// entries (at most 100,000, whatever a damaged total says), bound to the container's file and
// section and numbered from 0.
void ReadEntries(tFolder& folders);
void ReadEntries(tRegister& registers);
// Writes the total, then every entry.
void WriteEntries(const tFolder& folders);
void WriteEntries(const tRegister& registers);

// ---- items -----------------------------------------------------------------------------------

// The working copy of the item of that name in that item file: its flags and entries. A file or
// section that does not exist gives an item with the default flags and no entries.
tItemContent ReadItem(const std::string& itemFile, const std::string& itemName);
// The warning stored with the item ("Warning" in its section), without reading its entries; ""
// when it has none.
std::string ReadItemWarning(const std::string& itemFile, const std::string& itemName);
// Writes the item's flags, its warning (when it has one or had one) and both entry lists into the
// section of its name in its item file.
void WriteItemBody(const tItemContent& item);
// Lists the item under a new name key and writes its section.
void AddItem(const tItemContent& item);
// Replaces the section `oldName` of the item's file by the item's section under its name. The name
// key reused is the one that lists the old name: at `index` when that key does, else the first
// that does; when none does, a new key is appended, so another item's name key is never
// overwritten.
void ReplaceItem(const tItemContent& item, const std::string& oldName, int32_t index);
// Deletes the section of the item and the name key that lists it (at `index`, or else the first
// that does); the name keys after it move up by one. A name no key lists changes no name key.
void RemoveItem(const std::string& itemFile, const std::string& itemName, int32_t index);

// ---- item lists ------------------------------------------------------------------------------

// The items an item file or the order file lists, in the order of their name keys, blank names
// left out. A name key of the order file ("<name><|><item file>") gives that name and item file;
// any other gives the name in `path`.
std::vector<titem_property> ReadItemList(const std::string& path);
// Writes the order file: "Total", then for each item its name key and its section.
void WriteOrderFile(const std::string& path, const std::vector<titem_property>& items);

// ---- damage ----------------------------------------------------------------------------------

// Damage in an item file that reading passes over, one line each: a "Total" that counts more names
// than the file lists, a listed name without its section, and an entry total beyond the entries
// an item's section holds. None for a sound (or missing) file.
std::vector<std::string> ItemFileDamage(const std::string& itemFile);

}  // namespace vorlisk::formats
