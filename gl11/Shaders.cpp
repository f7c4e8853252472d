// The GLSL ES 3.00 shaders for a state key: lighting per vertex as GL 1.1 computes it (the
// light-material products come premultiplied in uniforms), texture coordinates generated
// per vertex, the projective divide and the modulation per fragment.
//
// Key bits: 0 lighting; 1-4 light i on; 5-8 light i a spot; 9-12 light i positional;
// 13 two-sided; 14 texturing; 15-17 S, T, Q generated; 18-20 S, T, Q object-linear.
#include <string>

#include "gl11/Es.h"

namespace gl11 {

void ShaderSources(uint32_t key, std::string* vertex, std::string* fragment)
{
    const auto bit = [key](int n) { return (key >> n) & 1u; };
    std::string v =
        "#version 300 es\n"
        "in vec3 aPosition;\nin vec3 aNormal;\nin vec2 aTexCoord;\n"
        "uniform mat4 uModelview, uProjection, uNormalMatrix;\n"
        "uniform vec4 uColor, uBase;\n"
        "uniform vec4 uLightA[4], uLightD[4], uLightS[4], uLightPosition[4];\n"
        "uniform vec4 uSpotDirection[4], uLightParams[4], uAttenuation[4];\n"
        "uniform vec4 uObjectPlane[3], uEyePlane[3];\n"
        "out vec4 vFront, vBack, vTexCoord;\n";
    // One light's contribution for normal n at eye position e: (x exponent, y cos cutoff,
    // z shininess) in uLightParams; the viewer is at infinity along +z.
    v += "vec3 Light(int i, vec3 n, vec3 e, bool positional, bool spot) {\n"
         "  vec3 l = uLightPosition[i].xyz;\n  float f = 1.0;\n"
         "  if (positional) {\n"
         "    l = l / uLightPosition[i].w - e;\n    float d = length(l);\n    l /= d;\n"
         "    f = 1.0 / (uAttenuation[i].x + uAttenuation[i].y * d + uAttenuation[i].z * d * d);\n"
         "  } else {\n    l = normalize(l);\n  }\n"
         "  if (spot) {\n"
         "    float c = dot(-l, uSpotDirection[i].xyz);\n"
         "    f *= c >= uLightParams[i].y ? pow(max(c, 0.0), uLightParams[i].x) : 0.0;\n"
         "  }\n"
         "  float nl = dot(n, l);\n"
         "  vec3 c = uLightA[i].rgb + max(nl, 0.0) * uLightD[i].rgb;\n"
         "  if (nl > 0.0) {\n"
         "    float nh = max(dot(n, normalize(l + vec3(0.0, 0.0, 1.0))), 0.0);\n"
         "    float shininess = uLightParams[i].z;\n"
         "    c += (shininess == 0.0 ? 1.0 : pow(nh, shininess)) * uLightS[i].rgb;\n"
         "  }\n"
         "  return f * c;\n}\n";
    v += "void main() {\n"
         "  vec4 object = vec4(aPosition, 1.0);\n"
         "  vec4 eye = uModelview * object;\n"
         "  gl_Position = uProjection * eye;\n";
    if (bit(0)) {
        v += "  vec3 n = mat3(uNormalMatrix) * aNormal;\n  vec3 e = eye.xyz / eye.w;\n"
             "  vec3 front = uBase.rgb, back = uBase.rgb;\n";
        for (int i = 0; i < kLights; ++i) {
            if (!bit(1 + i))
                continue;
            const std::string args = std::to_string(i) + ", %, e, " +
                                     (bit(9 + i) ? "true" : "false") + ", " +
                                     (bit(5 + i) ? "true" : "false") + ")";
            std::string a = args;
            a.replace(a.find('%'), 1, "n");
            v += "  front += Light(" + a + ";\n";
            if (bit(13)) {
                a = args;
                a.replace(a.find('%'), 1, "-n");
                v += "  back += Light(" + a + ";\n";
            }
        }
        v += "  vFront = vec4(clamp(front, 0.0, 1.0), uBase.a);\n"
             "  vBack = vec4(clamp(back, 0.0, 1.0), uBase.a);\n";
    } else {
        v += "  vFront = uColor;\n  vBack = uColor;\n";
    }
    v += "  vTexCoord = vec4(aTexCoord, 0.0, 1.0);\n";
    const char* coordinate[3] = {"x", "y", "w"};
    for (int c = 0; c < 3; ++c)
        if (bit(14) && bit(15 + c))
            v += std::string("  vTexCoord.") + coordinate[c] + " = dot(" +
                 (bit(18 + c) ? "uObjectPlane[" : "uEyePlane[") + std::to_string(c) + "], " +
                 (bit(18 + c) ? "object" : "eye") + ");\n";
    v += "}\n";
    *vertex = v;

    std::string f =
        "#version 300 es\nprecision highp float;\n"
        "uniform sampler2D uTexture;\n"
        "in vec4 vFront, vBack, vTexCoord;\nout vec4 fragColor;\n"
        "void main() {\n";
    f += bit(0) && bit(13) ? "  fragColor = gl_FrontFacing ? vFront : vBack;\n"
                           : "  fragColor = vFront;\n";
    if (bit(14))
        f += "  fragColor *= textureProj(uTexture, vTexCoord.xyw);\n";
    f += "}\n";
    *fragment = f;
}

}  // namespace gl11
