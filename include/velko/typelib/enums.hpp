// Enumerations of the outside type library (32-bit values).
#pragma once

#include "velko/frame/types.hpp"

namespace velko {

// Verdict of a test, a limit or a whole run.
enum EResultStatus : Long {
  kStatusNotPerformed = 0,
  kStatusPassed = 1,
  kStatusFailed = 2,
  kStatusNotApplicable = 3,
  kStatusCancelled = 4,
};

// Kind of a measured or stored value.
enum EValueType : Long {
  kValueNone = 0,
  kValueFloat = 1,
  kValueInteger = 2,
  kValueBoolean = 3,
  kValueTime = 4,
  kValueText = 5,
};

// Error level (eelLevel): 1 an item missing or present twice, or a reference that cannot be
// resolved; 2 data read with problems; 3 failures to save and lack of memory; 4 failures to load,
// to create an object, and unexpected errors.
enum EErrorLevel : Long {
  kLevelItem = 1,
  kLevelData = 2,
  kLevelSave = 3,
  kLevelFatal = 4,
};

// Limit type: fixed numbers, or relative to another test's measurement.
enum ELimitType : Long {
  kLimitFixed = 0,
  kLimitRelative = 1,
};

// Standard type.
enum EStandardType : Long {
  kStandardPredefined = 0,
  kStandardUserDefined = 1,
};

// Where ITestContainer::Add puts a child (ecrRelation).
enum EContainerRelation : Long {
  kRelationFirst = 0,
  kRelationLast = 1,
  kRelationAfter = 2,
  kRelationBefore = 3,
};

// Procedure text formats of IElementInfo2.
enum EProcedureFormat : Long {
  kProcedureNone = 0,
  kProcedureRtf = 1,
  kProcedurePlain = 2,
  kProcedureHtml = 3,
  kProcedureLink = 4,
  kProcedureLink2 = 5,
};

// Bits of IReport::ReportOptions that the library reads.
enum EReportOption : Long {
  kReportConfiguration = 1,
  kReportLimits = 2,
  kReportResult = 4,
  kReportOnlyFailed = 16,
  kReportOnlyServiceRecord = 32,
  kReportProcedureText = 512,
  kReportProcedureRtf = 1024,
};

// The detailed report level of IReport::ReportLevel.
constexpr Long kReportLevelDetailed = 3;

// Save modes of the test tree (lSaveMode).
enum ESaveMode : Long {
  kSaveDefinition = 1,
  kSaveResults = 2,
  kSaveKeepRtf = 4,
  kSaveBareWrapper = 0x10000,
};

}  // namespace velko
