// RINEX navigation files: 3.04 one mixed file of every system's records;
// 2.11 a GPS file ("N") and a GLONASS file ("G"). Records are formatted as
// they are added and written out, under the file's header, at the end.
#pragma once

#include <cstdint>
#include <string>

#include "support/gnss_signals.h"
#include "tools/rinex/navigation_records.h"
#include "tools/rinex/pending_file.h"
#include "tools/rinex/rinex_text.h"

namespace jpsrinex {

enum class NavFileKind { kMixed, kGps, kGlonass };

struct NavHeader {
  std::string program;
  std::string runBy;
  std::string runDate;
  bool hasLeapSeconds = false;
  int leapSeconds = 0;
};

class NavigationFile {
 public:
  NavigationFile(RinexVersion version, NavFileKind kind) : version_(version), kind_(kind) {}

  // Whether a record of the system goes into this file.
  bool Takes(jps::GnssSystem system) const;
  // Each adds the record's text (a record the file does not take is not added).
  void Add(const GpsNavRecord& r);
  void Add(const GalileoNavRecord& r);
  void Add(const BeidouNavRecord& r);
  void Add(const GlonassNavRecord& r);
  void Add(const SbasNavRecord& r);

  int records(jps::GnssSystem system) const { return records_[static_cast<int>(system)]; }
  int64_t valuesOutOfRange() const { return outOfRange_; }
  const std::string& text() const { return text_; }

  // Creates the temporary file of path (temp; "" for path with ".part").
  bool Create(const std::string& path, const std::string& temp, std::string* error);
  // Writes the header and the records into it and closes it.
  bool Finish(const NavHeader& header, std::string* error);
  bool Rename(std::string* error) { return file_.Rename(error); }
  // The finished file is someone else's to put in place.
  void HandOver() { file_.HandOver(); }
  void Discard() { file_.Discard(); }
  std::string Header(const NavHeader& header) const;

 private:
  // The record's first line: satellite, epoch and three numbers.
  void FirstLine(char system, int number, const jps::DateTime& t, double a, double b, double c);
  // A broadcast orbit line of up to four numbers.
  void Orbit(std::initializer_list<double> values);

  RinexVersion version_;
  NavFileKind kind_;
  std::string text_;
  int records_[jps::kGnssSystemCount] = {};
  int64_t outOfRange_ = 0;
  PendingFile file_;
};

}  // namespace jpsrinex
