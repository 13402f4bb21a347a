#include "velko/sequence/step_exe.hpp"

namespace velko {

VELKO_PUBLIC_CLASS(IStepExe, Instancing::kCreatable);

}  // namespace velko
