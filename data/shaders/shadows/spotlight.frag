#version 330 core
// The depth the rasterizer writes is all the shadow map keeps.
void main()
{
}
