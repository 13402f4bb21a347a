// Every text of the station's pages, by the name the page uses, in the calling thread's language.
#pragma once

#include <nlohmann/json.hpp>

namespace velko::station {

nlohmann::json PageTexts();

}  // namespace velko::station
