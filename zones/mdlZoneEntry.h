#pragma once
// What the zones page and its entry dialogs decide and store, apart from
// their windows: the entry types with their tables, the stored entry an Edit
// opens, the writes of a dialog's OK, Remove, and the rules of the address
// boxes (octets of a dotted address, the key filter, the mask bytes).
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "zones/mdlCommon.h"

namespace mv {

// The ID of the entry being edited, and whether it is a detected network;
// set by the zones page's Edit, read and cleared by the dialogs.
inline std::string strEditEntryID;
inline bool blnEditActiveNetwork = false;
void ResetZoneEntryGlobals();

// The code of an entry type name: its value in [IPTypeMaster]; 0 for a name
// that is not there (a missing key reads as empty).
long GetIPTypeCode(const std::string& strTypeName);
// The entry table of a type code (1 to 5), -1 for any other code.
long EntryTable(long lngIPType);
// The columns an Edit reads of an entry of that type ("" for other codes).
std::string EditColumns(long lngIPType);

// The values of the Edit columns of the entry with the ID, in the order of
// the column list; nothing when the type is unknown or no row has that ID.
std::optional<std::vector<std::string>> ReadZoneEntry(long lngIPType, const std::string& strID);

// The stored addresses of an entry (IPAddressFrom of its address rows).
std::vector<std::string> StoredAddresses(const std::string& strID);

// What OK of an entry dialog did.
// CompletesLater: not in the files yet, but its change stays recorded on disk
// and is completed by the next write or start, so it counts as made (a retried
// OK would store the entry twice).
enum class EntrySaved { Saved, EntryGone, NotSaved, CompletesLater };

// Stores one entry as the entry dialogs' OK does: raises the zone-data flag;
// in Add mode appends the row (values in column order, without the ID) under
// a new ID at the table's next row section; in Edit mode rewrites the row of
// the entry with strID in its own row section, and nothing at all is written
// when there is no such row any more. Then the entry's address rows are
// rebuilt from its values and the address list. `id` receives the entry's ID.
// The entry row, its address rows and the counters are stored as one change:
// a program ended at any moment leaves, after the next start, the entry
// wholly as it was or wholly as stored, a host name's addresses included.
// When the change cannot be stored nothing is (NotSaved; LastFailedWriteFile
// names the file), unless its record stays to be completed (CompletesLater).
EntrySaved StoreZoneEntry(long lngTable, long lngIPType, EntryValues values, bool blnAdd, const std::string& strID,
                          const std::vector<std::string>& addresses, std::string& id);

// True when the entry with the row's ID is stored as the zones page lists
// it: the same type, name, address text and zone.
bool EntryIsAsShown(const ZoneListRow& shown);

// What the user is told when a row's ID is no longer held by the entry the
// row shows: `what` says what was not done ("nothing was removed").
std::string NotAsShownText(const std::string& name, const std::string& what);

// What Remove did.
enum class EntryRemoved { Removed, Refused, NotSaved, NotAsShown };
// Deletes the entry the page's row shows (type 1 to 4) and its address rows
// as one change, and raises the zone-data flag; Refused (nothing deleted)
// for any other type, NotAsShown (nothing deleted) when the row's ID is no
// longer held by the entry the row shows (EntryIsAsShown, looked at while
// the folder's lock is held), NotSaved (nothing deleted) when the change
// cannot be stored.
EntryRemoved RemoveZoneEntry(const ZoneListRow& shown);

// Makes the address rows agree with the entries, as the start-up does before
// the rules are built: entries that share an ID, or have none, are given IDs
// of their own (a detected network, else the first host name, else the first
// entry keeps the ID; a shared ID's host-name rows go to the host name of
// their zone); an entry of type
// 1 to 4 whose address rows are missing, or differ from what its values give
// (another zone, another address), gets them rebuilt as an Edit rebuilds
// them; address rows whose ID belongs to no entry are dropped. The detected
// networks' rows stay as they are. All repairs are stored as one change, each
// logged; a second run finds nothing to repair. Returns the number of repairs
// (0 when they could not be stored).
int ReconcileZoneAddresses();

// The four octet boxes of a dotted address: each box up to its dot, the last
// one the rest. A text with fewer dots leaves the later boxes empty.
std::array<std::string, 4> SplitOctets(const std::string& strIP);
// The four boxes joined with "." as typed.
std::string JoinOctets(const std::array<std::string, 4>& octets);

// The characters an octet box holds at most.
constexpr int OctetLimit = 3;

// What a key typed into an octet box does.
struct OctetKeyResult {
  bool accept = false;     // the key reaches the box
  std::string text;        // the box's text before the key is applied
  bool moveFocus = false;  // the focus goes on to the next box
};
// The key filter of the octet boxes: only Backspace (8) and digits pass;
// a key that meets a full box first turns a value over 255 into "255" and,
// but in the last box of a row (index 3), moves the focus on.
OctetKeyResult OctetKeyPress(const std::string& text, int keyAscii, int index);
// A value over 255 becomes "255"; any other text stays.
std::string ClampOctet(const std::string& text);
// The mask check of a mask box: an empty box, or a value that a mask byte
// cannot have, becomes "0".
std::string CheckMaskByte(const std::string& text);

}  // namespace mv
