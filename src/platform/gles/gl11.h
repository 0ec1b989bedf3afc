// gl11.h -- the GL 1.1 and GLU calls the engine makes, as the layer over OpenGL ES 2.0 provides them
#pragma once

// Types as GL 1.1 declares them; the same underlying types as GLES2/gl2.h, so that both headers
// may meet in one file of the layer.
typedef unsigned int GLenum;
typedef unsigned char GLboolean;
typedef unsigned int GLbitfield;
typedef void GLvoid;
typedef signed char GLbyte;
typedef short GLshort;
typedef int GLint;
typedef unsigned char GLubyte;
typedef unsigned short GLushort;
typedef unsigned int GLuint;
typedef int GLsizei;
typedef float GLfloat;
typedef float GLclampf;
typedef double GLdouble;
typedef double GLclampd;

// The names the engine uses, spelt as GLES2/gl2.h spells those it shares.
#define GL_FALSE                          0
#define GL_TRUE                           1
#define GL_NONE                           0
#define GL_NO_ERROR                       0
#define GL_INVALID_ENUM                   0x0500
#define GL_INVALID_VALUE                  0x0501
#define GL_INVALID_OPERATION              0x0502
#define GL_STACK_OVERFLOW                 0x0503
#define GL_STACK_UNDERFLOW                0x0504
#define GL_OUT_OF_MEMORY                  0x0505

#define GL_POINTS                         0x0000
#define GL_LINES                          0x0001
#define GL_LINE_LOOP                      0x0002
#define GL_LINE_STRIP                     0x0003
#define GL_TRIANGLES                      0x0004
#define GL_TRIANGLE_STRIP                 0x0005
#define GL_TRIANGLE_FAN                   0x0006
#define GL_QUADS                          0x0007
#define GL_QUAD_STRIP                     0x0008
#define GL_POLYGON                        0x0009

#define GL_CURRENT_BIT                    0x00000001
#define GL_DEPTH_BUFFER_BIT               0x00000100
#define GL_STENCIL_BUFFER_BIT             0x00000400
#define GL_COLOR_BUFFER_BIT               0x00004000
#define GL_ALL_ATTRIB_BITS                0xFFFFFFFF
#define GL_CLIENT_PIXEL_STORE_BIT         0x00000001
#define GL_CLIENT_VERTEX_ARRAY_BIT        0x00000002
#define GL_CLIENT_ALL_ATTRIB_BITS         0xFFFFFFFF

#define GL_NEVER                          0x0200
#define GL_LESS                           0x0201
#define GL_EQUAL                          0x0202
#define GL_LEQUAL                         0x0203
#define GL_GREATER                        0x0204
#define GL_NOTEQUAL                       0x0205
#define GL_GEQUAL                         0x0206
#define GL_ALWAYS                         0x0207

#define GL_ZERO                           0
#define GL_ONE                            1
#define GL_SRC_COLOR                      0x0300
#define GL_ONE_MINUS_SRC_COLOR            0x0301
#define GL_SRC_ALPHA                      0x0302
#define GL_ONE_MINUS_SRC_ALPHA            0x0303
#define GL_DST_ALPHA                      0x0304
#define GL_ONE_MINUS_DST_ALPHA            0x0305
#define GL_DST_COLOR                      0x0306
#define GL_ONE_MINUS_DST_COLOR            0x0307
#define GL_SRC_ALPHA_SATURATE             0x0308

#define GL_FRONT                          0x0404
#define GL_BACK                           0x0405
#define GL_FRONT_AND_BACK                 0x0408
#define GL_CW                             0x0900
#define GL_CCW                            0x0901

#define GL_EXP                            0x0800
#define GL_EXP2                           0x0801

#define GL_CURRENT_COLOR                  0x0B00
#define GL_CURRENT_NORMAL                 0x0B02
#define GL_CURRENT_TEXTURE_COORDS         0x0B03
#define GL_CURRENT_RASTER_COLOR           0x0B04
#define GL_CURRENT_RASTER_POSITION        0x0B07
#define GL_CURRENT_RASTER_POSITION_VALID  0x0B08
#define GL_LINE_WIDTH                     0x0B21
#define GL_LIST_BASE                      0x0B32
#define GL_POLYGON_MODE                   0x0B40
#define GL_CULL_FACE                      0x0B44
#define GL_CULL_FACE_MODE                 0x0B45
#define GL_FRONT_FACE                     0x0B46
#define GL_LIGHTING                       0x0B50
#define GL_LIGHT_MODEL_LOCAL_VIEWER       0x0B51
#define GL_LIGHT_MODEL_TWO_SIDE           0x0B52
#define GL_LIGHT_MODEL_AMBIENT            0x0B53
#define GL_SHADE_MODEL                    0x0B54
#define GL_COLOR_MATERIAL                 0x0B57
#define GL_FOG                            0x0B60
#define GL_FOG_DENSITY                    0x0B62
#define GL_FOG_START                      0x0B63
#define GL_FOG_END                        0x0B64
#define GL_FOG_MODE                       0x0B65
#define GL_FOG_COLOR                      0x0B66
#define GL_DEPTH_TEST                     0x0B71
#define GL_DEPTH_WRITEMASK                0x0B72
#define GL_DEPTH_CLEAR_VALUE              0x0B73
#define GL_DEPTH_FUNC                     0x0B74
#define GL_STENCIL_TEST                   0x0B90
#define GL_MATRIX_MODE                    0x0BA0
#define GL_NORMALIZE                      0x0BA1
#define GL_VIEWPORT                       0x0BA2
#define GL_MODELVIEW_STACK_DEPTH          0x0BA3
#define GL_PROJECTION_STACK_DEPTH         0x0BA4
#define GL_TEXTURE_STACK_DEPTH            0x0BA5
#define GL_MODELVIEW_MATRIX               0x0BA6
#define GL_PROJECTION_MATRIX              0x0BA7
#define GL_TEXTURE_MATRIX                 0x0BA8
#define GL_ALPHA_TEST                     0x0BC0
#define GL_ALPHA_TEST_FUNC                0x0BC1
#define GL_ALPHA_TEST_REF                 0x0BC2
#define GL_DITHER                         0x0BD0
#define GL_BLEND_DST                      0x0BE0
#define GL_BLEND_SRC                      0x0BE1
#define GL_BLEND                          0x0BE2
#define GL_COLOR_LOGIC_OP                 0x0BF2
#define GL_SCISSOR_TEST                   0x0C11
#define GL_COLOR_CLEAR_VALUE              0x0C22
#define GL_COLOR_WRITEMASK                0x0C23
#define GL_UNPACK_SWAP_BYTES              0x0CF0
#define GL_UNPACK_LSB_FIRST               0x0CF1
#define GL_UNPACK_ROW_LENGTH              0x0CF2
#define GL_UNPACK_SKIP_ROWS               0x0CF3
#define GL_UNPACK_SKIP_PIXELS             0x0CF4
#define GL_UNPACK_ALIGNMENT               0x0CF5
#define GL_PACK_SWAP_BYTES                0x0D00
#define GL_PACK_LSB_FIRST                 0x0D01
#define GL_PACK_ROW_LENGTH                0x0D02
#define GL_PACK_SKIP_ROWS                 0x0D03
#define GL_PACK_SKIP_PIXELS               0x0D04
#define GL_PACK_ALIGNMENT                 0x0D05
#define GL_MAP_COLOR                      0x0D10
#define GL_MAP_STENCIL                    0x0D11
#define GL_RED_SCALE                      0x0D14
#define GL_RED_BIAS                       0x0D15
#define GL_ZOOM_X                         0x0D16
#define GL_ZOOM_Y                         0x0D17
#define GL_GREEN_SCALE                    0x0D18
#define GL_GREEN_BIAS                     0x0D19
#define GL_BLUE_SCALE                     0x0D1A
#define GL_BLUE_BIAS                      0x0D1B
#define GL_ALPHA_SCALE                    0x0D1C
#define GL_ALPHA_BIAS                     0x0D1D
#define GL_DEPTH_SCALE                    0x0D1E
#define GL_DEPTH_BIAS                     0x0D1F
#define GL_MAX_LIGHTS                     0x0D31
#define GL_MAX_TEXTURE_SIZE               0x0D33
#define GL_MAX_MODELVIEW_STACK_DEPTH      0x0D36
#define GL_MAX_PROJECTION_STACK_DEPTH     0x0D38
#define GL_MAX_TEXTURE_STACK_DEPTH        0x0D39
#define GL_MAX_VIEWPORT_DIMS              0x0D3A
#define GL_RED_BITS                       0x0D52
#define GL_GREEN_BITS                     0x0D53
#define GL_BLUE_BITS                      0x0D54
#define GL_ALPHA_BITS                     0x0D55
#define GL_DEPTH_BITS                     0x0D56
#define GL_TEXTURE_2D                     0x0DE1

#define GL_ADD                            0x0104
#define GL_AMBIENT                        0x1200
#define GL_DIFFUSE                        0x1201
#define GL_SPECULAR                       0x1202
#define GL_POSITION                       0x1203
#define GL_SPOT_DIRECTION                 0x1204
#define GL_SPOT_EXPONENT                  0x1205
#define GL_SPOT_CUTOFF                    0x1206
#define GL_CONSTANT_ATTENUATION           0x1207
#define GL_LINEAR_ATTENUATION             0x1208
#define GL_QUADRATIC_ATTENUATION          0x1209
#define GL_COMPILE                        0x1300
#define GL_COMPILE_AND_EXECUTE            0x1301
#define GL_BYTE                           0x1400
#define GL_UNSIGNED_BYTE                  0x1401
#define GL_SHORT                          0x1402
#define GL_UNSIGNED_SHORT                 0x1403
#define GL_INT                            0x1404
#define GL_UNSIGNED_INT                   0x1405
#define GL_FLOAT                          0x1406
#define GL_DOUBLE                         0x140A
#define GL_EMISSION                       0x1600
#define GL_SHININESS                      0x1601
#define GL_AMBIENT_AND_DIFFUSE            0x1602
#define GL_MODELVIEW                      0x1700
#define GL_PROJECTION                     0x1701
#define GL_TEXTURE                        0x1702
#define GL_DEPTH_COMPONENT                0x1902
#define GL_ALPHA                          0x1906
#define GL_RGB                            0x1907
#define GL_RGBA                           0x1908
#define GL_LUMINANCE                      0x1909
#define GL_LUMINANCE_ALPHA                0x190A
#define GL_BITMAP                         0x1A00
#define GL_POINT                          0x1B00
#define GL_LINE                           0x1B01
#define GL_FILL                           0x1B02
#define GL_FLAT                           0x1D00
#define GL_SMOOTH                         0x1D01
#define GL_REPLACE                        0x1E01
#define GL_VENDOR                         0x1F00
#define GL_RENDERER                       0x1F01
#define GL_VERSION                        0x1F02
#define GL_EXTENSIONS                     0x1F03
#define GL_MODULATE                       0x2100
#define GL_DECAL                          0x2101
#define GL_TEXTURE_ENV_MODE               0x2200
#define GL_TEXTURE_ENV_COLOR              0x2201
#define GL_TEXTURE_ENV                    0x2300
#define GL_NEAREST                        0x2600
#define GL_LINEAR                         0x2601
#define GL_NEAREST_MIPMAP_NEAREST         0x2700
#define GL_LINEAR_MIPMAP_NEAREST          0x2701
#define GL_NEAREST_MIPMAP_LINEAR          0x2702
#define GL_LINEAR_MIPMAP_LINEAR           0x2703
#define GL_TEXTURE_MAG_FILTER             0x2800
#define GL_TEXTURE_MIN_FILTER             0x2801
#define GL_TEXTURE_WRAP_S                 0x2802
#define GL_TEXTURE_WRAP_T                 0x2803
#define GL_CLAMP                          0x2900
#define GL_REPEAT                         0x2901
#define GL_LIGHT0                         0x4000
#define GL_LIGHT1                         0x4001
#define GL_POLYGON_OFFSET_FILL            0x8037
#define GL_TEXTURE_BINDING_2D             0x8069
#define GL_VERTEX_ARRAY                   0x8074
#define GL_NORMAL_ARRAY                   0x8075
#define GL_COLOR_ARRAY                    0x8076
#define GL_TEXTURE_COORD_ARRAY            0x8078
#define GL_CLAMP_TO_EDGE                  0x812F

// GL 1.1: begin and end, the current attributes, vertex arrays.
void gles_glBegin(GLenum mode);
void gles_glEnd();
void gles_glVertex2f(GLfloat x, GLfloat y);
void gles_glVertex2fv(const GLfloat* v);
void gles_glVertex2i(GLint x, GLint y);
void gles_glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void gles_glVertex3fv(const GLfloat* v);
void gles_glVertex3dv(const GLdouble* v);
void gles_glColor3f(GLfloat r, GLfloat g, GLfloat b);
void gles_glColor3fv(const GLfloat* v);
void gles_glColor3ub(GLubyte r, GLubyte g, GLubyte b);
void gles_glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void gles_glColor4fv(const GLfloat* v);
void gles_glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a);
void gles_glNormal3f(GLfloat x, GLfloat y, GLfloat z);
void gles_glNormal3fv(const GLfloat* v);
void gles_glNormal3dv(const GLdouble* v);
void gles_glTexCoord2f(GLfloat s, GLfloat t);
void gles_glTexCoord2fv(const GLfloat* v);
void gles_glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
void gles_glNormalPointer(GLenum type, GLsizei stride, const GLvoid* pointer);
void gles_glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
void gles_glColorPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
void gles_glEnableClientState(GLenum array);
void gles_glDisableClientState(GLenum array);
void gles_glDrawArrays(GLenum mode, GLint first, GLsizei count);
void gles_glDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices);

// Matrices.
void gles_glMatrixMode(GLenum mode);
void gles_glLoadIdentity();
void gles_glLoadMatrixf(const GLfloat* m);
void gles_glMultMatrixf(const GLfloat* m);
void gles_glPushMatrix();
void gles_glPopMatrix();
void gles_glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void gles_glScalef(GLfloat x, GLfloat y, GLfloat z);
void gles_glTranslatef(GLfloat x, GLfloat y, GLfloat z);
void gles_glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_z, GLdouble far_z);
void gles_glFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_z, GLdouble far_z);
void gles_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);

// Fixed-function state.
void gles_glEnable(GLenum cap);
void gles_glDisable(GLenum cap);
GLboolean gles_glIsEnabled(GLenum cap);
void gles_glAlphaFunc(GLenum func, GLclampf ref);
void gles_glBlendFunc(GLenum sfactor, GLenum dfactor);
void gles_glDepthFunc(GLenum func);
void gles_glDepthMask(GLboolean flag);
void gles_glColorMask(GLboolean r, GLboolean g, GLboolean b, GLboolean a);
void gles_glCullFace(GLenum mode);
void gles_glFrontFace(GLenum mode);
void gles_glShadeModel(GLenum mode);
void gles_glPolygonMode(GLenum face, GLenum mode);
void gles_glLineWidth(GLfloat width);
void gles_glScissor(GLint x, GLint y, GLsizei width, GLsizei height);
void gles_glClear(GLbitfield mask);
void gles_glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a);
void gles_glClearDepth(GLclampd depth);
void gles_glFogf(GLenum pname, GLfloat param);
void gles_glFogi(GLenum pname, GLint param);
void gles_glFogfv(GLenum pname, const GLfloat* params);
void gles_glLightfv(GLenum light, GLenum pname, const GLfloat* params);
void gles_glLightf(GLenum light, GLenum pname, GLfloat param);
void gles_glLightModelfv(GLenum pname, const GLfloat* params);
void gles_glMaterialf(GLenum face, GLenum pname, GLfloat param);
void gles_glMaterialfv(GLenum face, GLenum pname, const GLfloat* params);
void gles_glTexEnvi(GLenum target, GLenum pname, GLint param);
void gles_glPushAttrib(GLbitfield mask);
void gles_glPopAttrib();
void gles_glPushClientAttrib(GLbitfield mask);
void gles_glPopClientAttrib();

// Queries.
void gles_glGetIntegerv(GLenum pname, GLint* params);
void gles_glGetFloatv(GLenum pname, GLfloat* params);
void gles_glGetBooleanv(GLenum pname, GLboolean* params);
const GLubyte* gles_glGetString(GLenum name);
GLenum gles_glGetError();
void gles_glFinish();
void gles_glFlush();

// Textures and pixels.
void gles_glGenTextures(GLsizei n, GLuint* textures);
void gles_glDeleteTextures(GLsizei n, const GLuint* textures);
void gles_glBindTexture(GLenum target, GLuint texture);
void gles_glTexParameteri(GLenum target, GLenum pname, GLint param);
void gles_glTexImage2D(GLenum target, GLint level, GLint internal_format, GLsizei width, GLsizei height, GLint border,
                       GLenum format, GLenum type, const GLvoid* pixels);
void gles_glPixelStorei(GLenum pname, GLint param);
void gles_glPixelTransferf(GLenum pname, GLfloat param);
void gles_glPixelTransferi(GLenum pname, GLint param);
void gles_glPixelZoom(GLfloat x, GLfloat y);
void gles_glReadBuffer(GLenum mode);
void gles_glDrawBuffer(GLenum mode);
void gles_glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels);
void gles_glDrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type, const GLvoid* pixels);

// Display lists, the raster position and bitmaps.
GLuint gles_glGenLists(GLsizei range);
void gles_glDeleteLists(GLuint list, GLsizei range);
void gles_glNewList(GLuint list, GLenum mode);
void gles_glEndList();
void gles_glCallList(GLuint list);
void gles_glCallLists(GLsizei n, GLenum type, const GLvoid* lists);
void gles_glListBase(GLuint base);
void gles_glRasterPos2i(GLint x, GLint y);
void gles_glRasterPos2f(GLfloat x, GLfloat y);
void gles_glBitmap(GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove, GLfloat ymove,
                   const GLubyte* bitmap);

// GLU.
void gles_gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble near_z, GLdouble far_z);
void gles_gluLookAt(GLdouble eye_x, GLdouble eye_y, GLdouble eye_z, GLdouble centre_x, GLdouble centre_y,
                    GLdouble centre_z, GLdouble up_x, GLdouble up_y, GLdouble up_z);
void gles_gluOrtho2D(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top);
GLint gles_gluBuild2DMipmaps(GLenum target, GLint internal_format, GLsizei width, GLsizei height, GLenum format,
                             GLenum type, const void* data);
