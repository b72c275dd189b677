// All OpenGL drawing: the state loaded once per window, and one frame at a time.
#pragma once

void initScene();
void setProjection();
void makeCheckerTexture();
void renderFrame();
void setMaterials();
void drawModel();
