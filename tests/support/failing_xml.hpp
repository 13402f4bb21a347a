// A test double for the save-failure paths: an XML document that wraps a real one and whose
// CreateElement (and, on request, CreateDataNode) returns none when told to. It counts the calls,
// so that a test can also see that a saver stopped asking after a failure.
#pragma once

#include <optional>
#include <vector>

#include "velko/typelib/xml.hpp"

namespace velko::test {

class FailingXmlDocument final : public IXmlDocument {
 public:
  // Wraps a new, empty real document.
  FailingXmlDocument();
  explicit FailingXmlDocument(Ref<IXmlDocument> inner);

  // Failure rules; any rule that matches makes the call return none.
  void FailAlways() { always_ = true; }
  void FailAtCall(Long n) { atCall_ = n; }      // only the n-th CreateElement call (from 1)
  void FailFromCall(Long n) { fromCall_ = n; }  // the n-th call and every later one
  void FailForTag(const String& tag) { tags_.push_back(tag); }
  void FailDataNodes(bool fail = true) { failDataNodes_ = fail; }
  void FailNever();

  Long CreateElementCalls() const { return elementCalls_; }
  Long CreateDataNodeCalls() const { return dataNodeCalls_; }
  Long FailedCalls() const { return failed_; }
  // The tags asked for, in call order (failed calls included).
  const std::vector<String>& RequestedTags() const { return requested_; }
  const Ref<IXmlDocument>& Inner() const { return inner_; }

  Ref<IXmlElement> CreateElement(const String& tag) override;
  Ref<IXmlDataNode> CreateDataNode(const String& text) override;
  Ref<IXmlElement> DocumentElement() override { return inner_->DocumentElement(); }
  void SetDocumentElement(const Ref<IXmlElement>& root) override {
    inner_->SetDocumentElement(root);
  }

 private:
  bool ShouldFail(const String& tag) const;

  Ref<IXmlDocument> inner_;
  bool always_ = false;
  std::optional<Long> atCall_;
  std::optional<Long> fromCall_;
  std::vector<String> tags_;
  bool failDataNodes_ = false;
  Long elementCalls_ = 0;
  Long dataNodeCalls_ = 0;
  Long failed_ = 0;
  std::vector<String> requested_;
};

// A failing document that fails every CreateElement call, the commonest case.
Ref<FailingXmlDocument> MakeAlwaysFailingXmlDocument();

}  // namespace velko::test
