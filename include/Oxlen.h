/* Oxlen Engine: the umbrella header. A game includes this and links liboxlen. */
#ifndef OXLEN_H
#define OXLEN_H

#include "OxExport.h"
#include "OxPlatform.h"
#include "OxSystem.h"
#include "OxInput.h"
#include "OxGraphics.h"
#include "OxText.h"
#include "OxSprite.h"
#include "OxAudio.h"
#include "OxMath.h"
#include "OxVec2.h"
#include "OxMtx33.h"
#include "OxMatrix4.h"
#include "OxCollision.h"

#endif
