#pragma once
// Pictures that the program draws on at run time: a bitmap loaded into a DirectDraw surface
// and made a texture, copied in again when the surface's memory was lost; and the two small
// helpers that texture or colour a single face of a mesh builder.

#include "platform/rm/d3drm.h"

struct GdiBitmap;

// A new surface of the bitmap's size holding a copy of it, or null when the bitmap cannot be
// loaded or the surface cannot be made. width and height 0 keep the bitmap's own size;
// rgb32 non-zero asks for 32-bit RGB pixels instead of DirectDraw's choice.
rm::RefPtr<IDirectDrawSurface> LoadBitmapSurface(const char* name, int width, int height,
                                                 DWORD caps, int rgb32);

// Stretches the bitmap's rectangle at (x, y) of width x height pixels (0: the whole width or
// height) over the whole surface. E_FAIL when either is missing, else GetDC's result.
HRESULT CopyBitmapToSurface(LPDIRECTDRAWSURFACE surface, GdiBitmap* bitmap, int x, int y, int width,
                            int height);

// Loads the bitmap of that name again and copies all of it over the surface.
HRESULT ReloadBitmap(LPDIRECTDRAWSURFACE surface, const char* name);

// A texture surface loaded from the bitmap and its texture; on failure both are null.
HRESULT CreateSurfaceAndTexture(const char* name, LPDIRECTDRAWSURFACE* surfaceOut,
                                LPDIRECT3DRMTEXTURE* textureOut);

// Face number `index` of the mesh builder; null when there is none.
rm::RefPtr<IDirect3DRMFace> GetMeshFace(LPDIRECT3DRMMESHBUILDER mesh, int index);

// Puts the texture on a four-cornered face with the corners, in face order, at (tx, ty),
// (tx, ty2), (tx2, ty2), (tx2, ty). A face the mesh does not have is left alone (0).
HRESULT SetFaceTexture(LPDIRECT3DRMMESHBUILDER mesh, int index, double tx, double ty, double tx2,
                       double ty2, LPDIRECT3DRMTEXTURE texture);

// Colours one face; a face the mesh does not have is left alone (0).
HRESULT SetFaceColor(LPDIRECT3DRMMESHBUILDER mesh, int index, double r, double g, double b);
