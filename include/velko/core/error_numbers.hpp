// The library's error numbers. The message key of an error is its number - 0x80040200
// (0x80047730 gives 30000); its text is in the library's catalogue under that key.
#pragma once

#include "velko/frame/types.hpp"

namespace velko::err {

constexpr Long kBase = ErrorNumber(0x80040200u);
// The message key number of an error number.
constexpr Long MessageKeyOf(Long number) { return number - kBase; }

// Central handling.
constexpr Long kUnexpected = ErrorNumber(0x80047730u);   // foreign error wrapped once
constexpr Long kOutOfMemory = ErrorNumber(0x80047737u);

// Test element and test container.
constexpr Long kElementNoId = ErrorNumber(0x8004A2C0u);
constexpr Long kElementNoPlugIn = ErrorNumber(0x8004A2C1u);
constexpr Long kElementNoTestId = ErrorNumber(0x8004A2C2u);
constexpr Long kElementWrongTag = ErrorNumber(0x8004A2C8u);
constexpr Long kElementSave = ErrorNumber(0x8004A2CDu);
constexpr Long kContainerChildNotFound = ErrorNumber(0x8004A2F1u);
constexpr Long kContainerAdd = ErrorNumber(0x8004A2F2u);
constexpr Long kContainerChildPresent = ErrorNumber(0x8004A2F5u);
constexpr Long kNestingTooDeep = ErrorNumber(0x8004A2F8u);  // a tree deeper than the nesting limit

// Test setup, test-guide settings.
constexpr Long kSetupLoad = ErrorNumber(0x8004A3C2u);
constexpr Long kSetupSave = ErrorNumber(0x8004A3C3u);

// Element info.
constexpr Long kInfoWrongTag = ErrorNumber(0x8004A48Au);
constexpr Long kInfoSave = ErrorNumber(0x8004A48Bu);

// Activities.
constexpr Long kActivityNotFound = ErrorNumber(0x8004A496u);
constexpr Long kActivityPresent = ErrorNumber(0x8004A497u);
constexpr Long kActivitiesWrongTag = ErrorNumber(0x8004A49Eu);
constexpr Long kActivitySave = ErrorNumber(0x8004A49Fu);
constexpr Long kActivityNoType = ErrorNumber(0x8004A4A0u);

// Element filter.
constexpr Long kFilterWrongTag = ErrorNumber(0x8004A4C6u);
constexpr Long kFilterSave = ErrorNumber(0x8004A4C7u);

// Test setup selections.
constexpr Long kSelectionsRegistry = ErrorNumber(0x8004A4D2u);
constexpr Long kSelectionsUnknownStandard = ErrorNumber(0x8004A4D3u);

// Standards.
constexpr Long kStandardWrongTag = ErrorNumber(0x8004A4DAu);
constexpr Long kStandardSave = ErrorNumber(0x8004A4DBu);
constexpr Long kStandardNoName = ErrorNumber(0x8004A4DCu);

// Limit references and limits.
constexpr Long kReferenceUnresolved = ErrorNumber(0x8004A4F9u);
constexpr Long kReferenceValueType = ErrorNumber(0x8004A4FAu);
constexpr Long kReferenceNoValue = ErrorNumber(0x8004A4FBu);
constexpr Long kLimitLoad = ErrorNumber(0x8004A502u);
constexpr Long kLimitSave = ErrorNumber(0x8004A503u);

// Standard collection.
constexpr Long kStandardNotFound = ErrorNumber(0x8004A50Du);
constexpr Long kStandardPresent = ErrorNumber(0x8004A50Fu);

// Plug-in manager.
constexpr Long kPlugInsNotInitialized = ErrorNumber(0x8004A675u);
constexpr Long kPlugInListKey = ErrorNumber(0x8004A676u);
constexpr Long kPlugInNotFound = ErrorNumber(0x8004A677u);

// Registry and configuration reading.
constexpr Long kRegistryKeyMissing = ErrorNumber(0x8004A68Bu);
constexpr Long kRegistryValueMissing = ErrorNumber(0x8004A68Du);
constexpr Long kRegistryValueUnreadable = ErrorNumber(0x8004A68Eu);
constexpr Long kRegistryFileBroken = ErrorNumber(0x8004A68Fu);  // the store file cannot be parsed
constexpr Long kRegistryWrite = ErrorNumber(0x8004A690u);       // the store file cannot be written

// Item collections and data items.
constexpr Long kItemNotFound = ErrorNumber(0x8004A69Du);
constexpr Long kItemNoName = ErrorNumber(0x8004A69Eu);
constexpr Long kItemPresent = ErrorNumber(0x8004A69Fu);
constexpr Long kDataItemWrongTag = ErrorNumber(0x8004A6A6u);
constexpr Long kDataItemSave = ErrorNumber(0x8004A6A7u);
constexpr Long kDataItemNoName = ErrorNumber(0x8004A6A8u);

// Instrument data.
constexpr Long kMtiNoPlugIn = ErrorNumber(0x8004A73Du);
constexpr Long kMtiNoNumber = ErrorNumber(0x8004A73Eu);
constexpr Long kMtiLoad = ErrorNumber(0x8004A746u);
constexpr Long kMtiSave = ErrorNumber(0x8004A747u);

// Language server.
constexpr Long kLanguageNotFound = ErrorNumber(0x8004928Au);
constexpr Long kLanguagePath = ErrorNumber(0x8004928Cu);
constexpr Long kCatalogueBroken = ErrorNumber(0x8004928Du);  // a catalogue that cannot be read

// XML service.
constexpr Long kXmlFileOpen = ErrorNumber(0x80049300u);   // the file cannot be read
constexpr Long kXmlMalformed = ErrorNumber(0x80049301u);  // not well-formed XML (file, line)
constexpr Long kXmlFileSave = ErrorNumber(0x80049302u);   // the file cannot be written
constexpr Long kXmlWrongDocument = ErrorNumber(0x80049303u);  // a node of another document
constexpr Long kXmlInvalidContent = ErrorNumber(0x80049304u);  // a name or text XML cannot hold
constexpr Long kXmlAppendLoop = ErrorNumber(0x80049305u);  // a node appended into itself

// Component runtime: plug-in libraries.
constexpr Long kServerPathRefused = ErrorNumber(0x80049310u);  // not an absolute path
constexpr Long kServerLoad = ErrorNumber(0x80049311u);         // dlopen or entry point failed

// Errors of the outside services (registry, language catalogues, XML files, plug-in libraries):
// every operation passes them on unchanged, so that they reach the user with their own number,
// text and cause rather than wrapped as unexpected.
constexpr bool IsOutsideServiceError(Long number) {
  switch (number) {
    case kRegistryKeyMissing:
    case kRegistryValueMissing:
    case kRegistryValueUnreadable:
    case kRegistryFileBroken:
    case kRegistryWrite:
    case kLanguageNotFound:
    case kLanguagePath:
    case kCatalogueBroken:
    case kXmlFileOpen:
    case kXmlMalformed:
    case kXmlFileSave:
    case kServerPathRefused:
    case kServerLoad:
      return true;
    default:
      return false;
  }
}

// Plug-in configuration problems (raised by plug-ins, shown by the plug-in manager).
constexpr Long kPlugInConfigA = ErrorNumber(0x8004A22Au);
constexpr Long kPlugInConfigC = ErrorNumber(0x8004A22Cu);
constexpr Long kPlugInSilent = ErrorNumber(0x8004A22Du);
constexpr Long kPlugInConfigF = ErrorNumber(0x8004A28Fu);

}  // namespace velko::err
