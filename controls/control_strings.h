#pragma once
// The controls' numbered texts in the interface language. The program hands its lookup over
// when the interface language unit starts; until then the built-in English texts answer.
#include <QString>

using TControlStringLoader = QString (*)(int id);
void SetControlStringLoader(TControlStringLoader loader);
QString ControlString(int id);
