#pragma once
// Icon resources as toolkit icons.

#include "platform/framework/AfxTypes.h"
#include "platform/framework/ResourceTypes.h"

#include <QIcon>
#include <QImage>

QIcon AfxIconOf(HICON icon);
HICON AfxLoadIconResource(int id);
// Lets go of the toolkit's pixmaps behind the icon handles, before the toolkit ends.
void AfxDropToolkitIcons();
QImage AfxIconImage(const IconTemplate& icon);
