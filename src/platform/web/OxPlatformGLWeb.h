// The page's WebGL context between two starts of the engine.
#pragma once

// A canvas keeps one WebGL context for the page's life: a context made again
// after OxSysExit is the same one, with the state the last run left. Puts
// the current context back to the state a new OpenGL context starts in.
void OxPlatformWebResetContextState();
