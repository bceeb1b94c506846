#include "image/module1.h"

namespace vorlane {

bool HasChosenFile(const Module1& state) { return state.FileName.size() > 1; }

}  // namespace vorlane
