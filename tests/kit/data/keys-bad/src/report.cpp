// "999::named only in a comment"
const char* selections = "460::Selections";
const char* unlisted = "461::Not listed";
const char* untranslated = "462::Listed but untranslated";
