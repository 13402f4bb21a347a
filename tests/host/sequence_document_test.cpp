// Loading a test sequence: texts given as message keys of the plug-in's catalogue come in the
// session's language, every other text exactly as written.
#include "velko/host/documents/sequence_document.hpp"

#include "host_fixture.hpp"
#include "velko/core/gtranslate.hpp"
#include "velko/host/documents/xml_source.hpp"

namespace velko::test {
namespace {

struct Texts {
  String name, type, procedure;
};

class SequenceDocumentTest : public HostFixture {
 protected:
  // The texts of the one leaf of a sequence holding `name`, `type` and a procedure of `format`.
  Texts Loaded(const String& language, const Texts& given, int format = 2) {
    GTranslate::Instance()->SelectLanguageSet(language);
    const host::XmlSource source = host::XmlFromText(
        R"(<TestElement ID="1"><PlugIn Name="Simulator" TestID="10"/><TestElement ID="2">)"
        R"(<PlugIn Name="Simulator" TestID="100"/><Info><Type>)" +
        given.type + "</Type><Name>" + given.name + "</Name><Procedure Format=\"" +
        std::to_string(format) + "\">" + given.procedure +
        "</Procedure></Info></TestElement></TestElement>");
    const host::SequenceTree tree = host::LoadSequence(source.root, nullptr);
    GTranslate::Instance()->SelectLanguageSet("en");
    const Ref<ITestElement> leaf = tree.Root()->Item(1);
    const auto info = QueryInterface<IElementInfo2>(leaf->Info());
    return {leaf->Info()->Name(), leaf->Info()->TestType(), info->Procedure()};
  }
};

TEST_F(SequenceDocumentTest, KeyedTextsComeInTheSessionsLanguage) {
  const Texts keyed{"603::Visual inspection", "613::Functional check", "615::Run the device."};
  const Texts german = Loaded("de", keyed);
  EXPECT_EQ(german.name, "Sichtpr\u00FCfung");
  EXPECT_EQ(german.type, "Funktionspr\u00FCfung");
  EXPECT_EQ(german.procedure,
            "Das Ger\u00E4t mit seiner Nenneinstellung betreiben, pr\u00FCfen, ob es seine "
            "bestimmungsgem\u00E4\u00DFe Funktion erf\u00FCllt, und den Netzstrom ablesen.");
  EXPECT_EQ(Loaded("en", keyed).name, "Visual inspection");
  // A key the catalogue lacks gives its default text.
  EXPECT_EQ(Loaded("de", {"9999::My own check", "", ""}).name, "My own check");
}

TEST_F(SequenceDocumentTest, EveryOtherTextStaysExactlyAsWritten) {
  const Texts plain{"Step 1::Earth", "IEC 62353, 5.2", " 603 x::Visual inspection"};
  const Texts loaded = Loaded("de", plain);
  EXPECT_EQ(loaded.name, plain.name);
  EXPECT_EQ(loaded.type, plain.type);
  EXPECT_EQ(loaded.procedure, plain.procedure);
  // Only plain procedures are texts of a catalogue; rich text and links stay as they are.
  EXPECT_EQ(Loaded("de", {"x", "", "603::Visual inspection"}, 4).procedure,
            "603::Visual inspection");
}

}  // namespace
}  // namespace velko::test
