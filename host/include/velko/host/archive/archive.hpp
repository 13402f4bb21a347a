// The record archive: every completed run is kept, for the life of the device - its byte-exact
// record, its rendered report, and the rows that history, comparison and export read. Nothing is
// changed in place: a later record may supersede an earlier one, none is deleted.
//
// Two stores behind one interface, with one schema and one behaviour: SQLite (one file, the
// embedded default) and PostgreSQL (a server that many stations share). Every SQL statement is
// parameterised, so device texts of any kind are stored and found exactly.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "velko/frame/types.hpp"

namespace velko::host {

// One limit that judged a measurement: its standard and its bounds (none: not defined).
struct ArchivedLimit {
  String standard;  // the complete name
  std::optional<double> low;
  std::optional<double> high;
};

struct ArchivedMeasurement {
  Long elementId = 0;
  String elementName;
  String key;
  std::optional<double> value;  // none for a reading that is no number (a flag, a text)
  String valueText;             // as the report shows it
  String unit;
  Long status = 0;
  std::vector<ArchivedLimit> limits;
};

// The device a record is about: its key items (name, value; the serial number among them), and
// the items that name it for people.
struct DeviceIdentity {
  String serial;  // the "SerialNumber" item, else the first item marked Key
  String asset;
  String manufacturer;
  String model;
  std::vector<std::pair<String, String>> keys;  // every item marked Key, in order
};

// What history lists of a record, and what every stored record carries beside its documents.
struct RecordSummary {
  String recordId;
  String supersedes;    // the record this one replaces; "" for none
  String supersededBy;  // filled when read: the newest record that replaces this one
  DeviceIdentity device;
  String sequenceName;
  String sequenceHash;            // SHA-256 of the sequence file, hexadecimal
  std::vector<String> standards;  // the selected standards, complete names
  String tester;
  String station;
  String organisation;
  String started;  // "2024-06-03 14:05:09", local time of the station
  String finished;
  Long verdict = 0;  // the overall result status
};

// Everything stored of one completed run, in one transaction.
struct ArchiveEntry {
  RecordSummary summary;
  String document;  // the record, byte-exact
  String report;    // the rendered report
  std::vector<ArchivedMeasurement> measurements;
  String reportPdf;  // the report as a PDF; "" when none was made
};

struct StoredRecord {
  RecordSummary summary;
  String document;
  String report;
  String reportPdf;
};

// A record with its measurements, for comparisons.
struct MeasuredRecord {
  RecordSummary summary;
  std::vector<ArchivedMeasurement> measurements;
};

class Archive {
 public:
  virtual ~Archive() = default;

  // Where the archive is, as it may be shown (a file, or a server without its password).
  virtual const String& Location() const = 0;
  // The schema version of the open archive.
  virtual int SchemaVersion() = 0;

  // Raises when a record could not be stored now (locked, read-only, unreachable); writes nothing.
  virtual void CheckWritable() = 0;
  // Stores the entry in one transaction: all of it, or nothing. A record ID that is stored already
  // raises kDuplicateRecord; superseding a record that is not stored raises kUnknownSupersede.
  virtual void Store(const ArchiveEntry& entry) = 0;
  // Stores many entries in one transaction (an import): all of them, or none.
  virtual void StoreAll(const std::vector<ArchiveEntry>& entries) = 0;

  // The device's records (by serial or asset number, exactly), newest first; none for "".
  virtual std::vector<RecordSummary> History(const String& device) = 0;
  // A record by its ID or the start of it (at least 8 characters); none when there is no such
  // record; several that start so raise kAmbiguousRecord.
  virtual std::optional<StoredRecord> Find(const String& recordId) = 0;
  // The device's records that are not superseded, oldest first, with their measurements: the
  // first (the reference) and the `last` newest. With `before` (the ID of a stored record) only
  // those stored before that record, and superseded by that record or one before it.
  virtual std::vector<MeasuredRecord> Measurements(const String& device, std::size_t last,
                                                   const String& before = {}) = 0;
  // Every measurement of the device's records (of all records when `device` is empty), record by
  // record in the order they were stored.
  virtual void ForEachMeasurement(
      const String& device,
      const std::function<void(const RecordSummary&, const ArchivedMeasurement&)>& visit) = 0;
};

struct ArchiveOptions {
  // How long a writer waits for another one before the archive counts as locked.
  std::chrono::milliseconds lockWait{15000};
  // False: an archive that does not exist yet is not made (reading commands find nothing in it).
  bool create = true;
};

// Opens the archive at `location`: a "postgresql://" or "postgres://" URI, else the path of an
// SQLite file (made with its folder on first use). The schema is made or brought forward to this
// program's version; an archive of a newer version raises kNewerSchema.
std::unique_ptr<Archive> OpenArchive(const String& location, const ArchiveOptions& options = {});

// VELKO_ARCHIVE when set, else $XDG_DATA_HOME/velko/archive.sqlite, else
// ~/.local/share/velko/archive.sqlite.
String DefaultArchiveLocation();

// True for the location of a PostgreSQL server.
bool IsServerLocation(const String& location);

// The schema version this program writes.
int CurrentSchemaVersion();

}  // namespace velko::host
