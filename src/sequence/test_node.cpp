#include "velko/sequence/test_node.hpp"

#include "report/report_utils.hpp"
#include "sequence/tree_nesting.hpp"
#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/gtranslate.hpp"
#include "velko/outside/value_formatter.hpp"
#include "velko/outside/xml.hpp"
#include "velko/sequence/element_filter.hpp"
#include "velko/sequence/element_info.hpp"

namespace velko {
namespace {

void AppendIfAny(const Ref<IXmlElement>& parent, const Ref<IXmlElement>& child) {
  if (child) parent->AppendChild(child);
}

Ref<IXmlElement> CreateOrRaise(const Ref<IXmlDocument>& owner, const String& tag,
                               const char* source) {
  Ref<IXmlElement> element = owner->CreateElement(tag);
  if (!element) RaiseError(err::kElementSave, source, kLevelSave);
  return element;
}

// The closing spacer row of a node in the detailed report: four columns filling the page.
void PrintSpacerRow(const Ref<IReport>& report) {
  Quietly([&] { report->SetStyle(10); });
  Quietly([&] { report->SetTableStyle(0); });
  Quietly([&] { report->SetTableMode(1); });
  Long width = 0;
  Quietly([&] { width = report->PageWidth(-1); });
  Quietly([&] {
    const String format = "<560|<1680|<+!" + std::to_string(width - 2800) + "|<+560;";
    report->PrintTable(format, "", ";;", 0, 0, 0);
  });
}

}  // namespace

TestNode::TestNode() : info_(CreateElementInfo()), filter_(CreateElementFilter()) {}

void TestNode::Initialize(const String& plugInId, Long testId, Long id) {
  plugInId_ = plugInId;
  testId_ = testId;
  AssignId(id);
}

void TestNode::AssignId(Long id) {
  id_ = id;
  TreeShapeChanged();
}

bool TestNode::ReadCommonChild(const Ref<IXmlElement>& child, const Ref<IProgressLog>& log) {
  String storage;
  const std::string_view tag = TagNameView(child, storage);
  if (tag == "Info") {
    if (!info_) info_ = CreateElementInfo();
    info_->Load(child, log);
  } else if (tag == "Filter") {
    if (!filter_) filter_ = CreateElementFilter();
    filter_->Load(child, log);
  } else if (tag == "ExpectedResult") {
    if (limits_) limits_->Load(child, log);
  } else if (tag == "PlugInData") {
    if (configuration_) configuration_->Load(child, log);
  } else {
    return false;
  }
  return true;
}

Ref<IXmlElement> TestNode::WriteDefinition(const Ref<IXmlDocument>& owner, Long saveMode,
                                           const char* source) {
  Ref<IXmlElement> node = CreateOrRaise(owner, "TestElement", source);
  node->SetAttribute("ID", FormatValue(Variant(id_)));
  Ref<IXmlElement> plugIn = CreateOrRaise(owner, "PlugIn", source);
  plugIn->SetAttribute("Name", plugInId_);
  plugIn->SetAttribute("TestID", FormatValue(Variant(testId_)));
  node->AppendChild(plugIn);
  if (info_) AppendIfAny(node, info_->Save(owner, saveMode));
  if (filter_) AppendIfAny(node, filter_->Save(owner));
  if (limits_) AppendIfAny(node, limits_->Save(owner));
  if (configuration_) AppendIfAny(node, configuration_->Save(owner));
  return node;
}

void TestNode::PrintOwnReport(const Ref<IReport>& report, const Ref<ITestSetup>& setup,
                              bool cutPetrelComment) {
  Long options = 0;
  Quietly([&] { options = report->ReportOptions(); });
  if (!QuietlyOr(false, [&] { return IsElementReported(filter_, result_, options); })) return;
  PrintElementHeader(info_, filter_, result_, report);

  Long level = 0;
  Quietly([&] { level = report->ReportLevel(); });
  if (level == kReportLevelDetailed) {
    if (options & kReportProcedureRtf) {
      PrintProcedure(QueryInterface<IElementInfo2>(info_), report);
    } else if (options & kReportProcedureText) {
      PrintProcedureText(QueryInterface<IElementInfo2>(info_), report);
    }
    if ((options & kReportConfiguration) && configuration_) {
      Quietly([&] { configuration_->PrintReport(report); });
    }
    if ((options & kReportLimits) && limits_) {
      Quietly([&] { limits_->PrintReport(report, setup); });
    }
  }
  if ((options & kReportResult) && result_) {
    String comment;
    Quietly([&] {
      comment = result_->Comment();
      // Petrel keeps a print text after the comment separator; the report shows the comment.
      if (cutPetrelComment && plugInId_ == "Petrel") {
        comment = GTranslate::Instance()->ReturnComment(comment, false);
      }
    });
    PrintComment(report, comment);
    Quietly([&] { result_->PrintReport(report, setup); });
  }
  Quietly([&] { level = report->ReportLevel(); });
  if (level == kReportLevelDetailed) PrintSpacerRow(report);
}

void TestNode::ReleaseFields() {
  info_.Reset();
  filter_.Reset();
  parent_.Reset();
  configuration_.Reset();
  limits_.Reset();
  result_.Reset();
}

void TestNode::CloneIdentityInto(TestNode& clone) {
  clone.plugInId_ = plugInId_;
  clone.testId_ = testId_;
  clone.AssignId(id_);
  if (filter_) clone.filter_ = filter_->Clone();
  clone.configuration_ = configuration_ ? configuration_->Clone() : nullptr;
  clone.limits_ = limits_ ? limits_->Clone() : nullptr;
}

}  // namespace velko
