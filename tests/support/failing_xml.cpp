#include "support/failing_xml.hpp"

#include <algorithm>

#include "velko/outside/xml.hpp"

namespace velko::test {

FailingXmlDocument::FailingXmlDocument() : inner_(CreateXmlDocument()) {}

FailingXmlDocument::FailingXmlDocument(Ref<IXmlDocument> inner) : inner_(std::move(inner)) {}

void FailingXmlDocument::FailNever() {
  always_ = false;
  atCall_.reset();
  fromCall_.reset();
  tags_.clear();
  failDataNodes_ = false;
}

bool FailingXmlDocument::ShouldFail(const String& tag) const {
  return always_ || (atCall_ && *atCall_ == elementCalls_) ||
         (fromCall_ && elementCalls_ >= *fromCall_) ||
         std::find(tags_.begin(), tags_.end(), tag) != tags_.end();
}

Ref<IXmlElement> FailingXmlDocument::CreateElement(const String& tag) {
  ++elementCalls_;
  requested_.push_back(tag);
  if (ShouldFail(tag)) {
    ++failed_;
    return nullptr;
  }
  return inner_->CreateElement(tag);
}

Ref<IXmlDataNode> FailingXmlDocument::CreateDataNode(const String& text) {
  ++dataNodeCalls_;
  if (failDataNodes_) {
    ++failed_;
    return nullptr;
  }
  return inner_->CreateDataNode(text);
}

Ref<FailingXmlDocument> MakeAlwaysFailingXmlDocument() {
  auto document = MakeRef<FailingXmlDocument>();
  document->FailAlways();
  return document;
}

}  // namespace velko::test
