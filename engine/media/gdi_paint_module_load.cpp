#include "engine/core/engine_log.h"
#include "engine/media/gdi_paint_module.h"

namespace engine {

// Until the resource module is part of the engine, pictures come only from AddPicture.
int GdiPaintModule::LoadPicture(NameKey) { return 0; }

}  // namespace engine
