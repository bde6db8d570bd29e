// The help files "SVindelor", "SFVindelor" and "UKVindelor" are compiled into the
// programs as resources under ":/help/". They live in a static library, whose resources
// the linker drops unless a program asks for them: call InitHelpResources() once in main().
#pragma once

namespace vindelor {

void InitHelpResources();

}  // namespace vindelor
