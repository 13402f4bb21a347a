// A key in a comment does not count: "999::nothing".
String Caption() { return Translate("", "460::Selections"); }
void Load() { ScopedLogSection section(log, "", "E5100::Loading test sequence setup"); }
String Failure() {
  return Translate("", "5083::An error occurred while initializing plugin %%1.\nError "
                       "#%%2 \"%%3\"");
}
