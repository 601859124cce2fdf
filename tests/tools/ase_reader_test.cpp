// The ASE reader: what it keeps of an export and how it reports a bad one.
#include <gtest/gtest.h>

#include "ase_reader.h"

using namespace tarnconv;

namespace {

// Two objects: a quad with a multi/sub-object material (ids 0 and 1, one
// smoothing group list, one face with none) and a lone triangle with a
// plain material. The camera between them must be skipped.
const char* kExport = R"(*3DSMAX_ASCIIEXPORT	200
*COMMENT "test export"
*MATERIAL_LIST {
	*MATERIAL_COUNT 2
	*MATERIAL 0 {
		*MATERIAL_NAME "Multi"
		*MATERIAL_CLASS "Multi/Sub-Object"
		*NUMSUBMTLS 2
		*SUBMATERIAL 0 {
			*MATERIAL_NAME "Red"
			*MATERIAL_DIFFUSE 0.8000	0.1000	0.1000
			*MATERIAL_SPECULAR 0.9000	0.9000	0.9000
			*MATERIAL_SHINE 0.2500
			*MATERIAL_SHINESTRENGTH 0.5000
			*MATERIAL_TRANSPARENCY 0.2500
			*MATERIAL_TWOSIDED
		}
		*SUBMATERIAL 1 {
			*MATERIAL_NAME "Wood"
			*MATERIAL_DIFFUSE 0.5000	0.4000	0.3000
			*MAP_DIFFUSE {
				*MAP_NAME "Map #1"
				*MAP_AMOUNT 0.7500
				*BITMAP "C:\maps\wood.png"
				*UVW_U_OFFSET 0.0000
			}
		}
	}
	*MATERIAL 1 {
		*MATERIAL_NAME "Plain"
		*MATERIAL_DIFFUSE 0.2000	0.3000	0.4000
	}
}
*GEOMOBJECT {
	*NODE_NAME "Quad"
	*NODE_TM {
		*NODE_NAME "Quad"
		*TM_ROW0 1.0000	0.0000	0.0000
	}
	*MESH {
		*TIMEVALUE 0
		*MESH_NUMVERTEX 4
		*MESH_NUMFACES 2
		*MESH_VERTEX_LIST {
			*MESH_VERTEX    0	0.0000	0.0000	0.0000
			*MESH_VERTEX    1	10.0000	0.0000	0.0000
			*MESH_VERTEX    2	10.0000	10.0000	0.0000
			*MESH_VERTEX    3	0.0000	10.0000	2.5000
		}
		*MESH_FACE_LIST {
			*MESH_FACE    0:    A:    0 B:    1 C:    2 AB:    1 BC:    0 CA:    1	 *MESH_SMOOTHING 1,3 	*MESH_MTLID 0
			*MESH_FACE    1:    A:    0 B:    2 C:    3 AB:    0 BC:    1 CA:    0	 *MESH_SMOOTHING 	*MESH_MTLID 3
		}
		*MESH_NUMTVERTEX 4
		*MESH_TVERTLIST {
			*MESH_TVERT 0	0.0000	0.0000	0.0000
			*MESH_TVERT 1	1.0000	0.0000	0.0000
			*MESH_TVERT 2	1.0000	1.0000	0.0000
			*MESH_TVERT 3	0.0000	0.5000	0.0000
		}
		*MESH_NUMTVFACES 2
		*MESH_TFACELIST {
			*MESH_TFACE 0	0	1	2
			*MESH_TFACE 1	0	2	3
		}
	}
	*MATERIAL_REF 0
}
*CAMERAOBJECT {
	*NODE_NAME "Camera01"
	*CAMERA_SETTINGS {
		*TIMEVALUE 0
		*CAMERA_FOV 0.7854
	}
}
*GEOMOBJECT {
	*NODE_NAME "Tri"
	*MESH {
		*MESH_NUMVERTEX 3
		*MESH_NUMFACES 1
		*MESH_VERTEX_LIST {
			*MESH_VERTEX 0 0 0 0
			*MESH_VERTEX 1 1 0 0
			*MESH_VERTEX 2 0 1 0
		}
		*MESH_FACE_LIST {
			*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 32 *MESH_MTLID 0
		}
	}
	*MATERIAL_REF 1
}
)";

MeshModel Parse(const std::string& text, std::string* error = nullptr) {
    MeshModel model;
    std::string e;
    EXPECT_TRUE(ParseAse(text, "t.ase", &model, &e)) << e;
    if (error) *error = e;
    return model;
}

std::string ParseError(const std::string& text) {
    MeshModel model;
    std::string e;
    EXPECT_FALSE(ParseAse(text, "t.ase", &model, &e));
    return e;
}

}  // namespace

TEST(AseReader, KeepsGeometryEdgesSmoothingAndMaterialIds) {
    MeshModel m = Parse(kExport);
    ASSERT_EQ(m.objects.size(), 2u);
    const MeshObject& q = m.objects[0];
    EXPECT_EQ(q.name, "Quad");
    ASSERT_EQ(q.vertices.size(), 4u);
    EXPECT_DOUBLE_EQ(q.vertices[3].y, 10.0);
    EXPECT_DOUBLE_EQ(q.vertices[3].z, 2.5);
    ASSERT_EQ(q.faces.size(), 2u);
    EXPECT_EQ(q.faces[0].v, (std::array<int, 3>{0, 1, 2}));
    EXPECT_EQ(q.faces[0].edge, (std::array<bool, 3>{true, false, true}));
    EXPECT_EQ(q.faces[1].edge, (std::array<bool, 3>{false, true, false}));
    // Groups 1 and 3 are bits 0 and 2; an empty list is a flat face.
    EXPECT_EQ(q.faces[0].smoothing, 0x5u);
    EXPECT_EQ(q.faces[1].smoothing, 0u);
    EXPECT_EQ(m.objects[1].faces[0].smoothing, 0x80000000u);
    // Material ids are kept as written; the viewer reduces them modulo the count.
    EXPECT_EQ(q.faces[0].material, 0);
    EXPECT_EQ(q.faces[1].material, 3);
}

TEST(AseReader, MultiMaterialsBecomeTheObjectsMaterialList) {
    MeshModel m = Parse(kExport);
    const MeshObject& q = m.objects[0];
    ASSERT_EQ(q.materials.size(), 2u);
    const MeshMaterial& red = q.materials[0];
    EXPECT_EQ(red.name, "Red");
    EXPECT_DOUBLE_EQ(red.diffuse[0], 0.8);
    EXPECT_DOUBLE_EQ(red.diffuse[3], 0.75);  // transparency 0.25
    EXPECT_DOUBLE_EQ(red.shine, 0.25);
    EXPECT_DOUBLE_EQ(red.shineStrength, 0.5);
    EXPECT_TRUE(red.twoSided);
    EXPECT_TRUE(red.bitmap.empty());
    const MeshMaterial& wood = q.materials[1];
    EXPECT_EQ(wood.bitmap, "C:\\maps\\wood.png");
    EXPECT_DOUBLE_EQ(wood.amount, 0.75);
    EXPECT_FALSE(wood.twoSided);
    ASSERT_EQ(m.objects[1].materials.size(), 1u);
    EXPECT_EQ(m.objects[1].materials[0].name, "Plain");
}

TEST(AseReader, TextureFacesFillTheCornersUvs) {
    MeshModel m = Parse(kExport);
    const MeshObject& q = m.objects[0];
    ASSERT_EQ(q.tvertices.size(), 4u);
    EXPECT_DOUBLE_EQ(q.tvertices[3][1], 0.5);
    EXPECT_EQ(q.faces[1].t, (std::array<int, 3>{0, 2, 3}));
    EXPECT_EQ(m.objects[1].faces[0].t, (std::array<int, 3>{-1, -1, -1}));
    EXPECT_TRUE(m.objects[1].tvertices.empty());
}

TEST(AseReader, ReadsUtf16Exports) {
    const std::string ascii = kExport;
    std::string utf16 = "\xFF\xFE";
    for (char c : ascii) {
        utf16.push_back(c);
        utf16.push_back('\0');
    }
    MeshModel m = Parse(utf16);
    ASSERT_EQ(m.objects.size(), 2u);
    EXPECT_EQ(m.objects[0].faces.size(), 2u);
}

TEST(AseReader, ReportsFileAndLineOfBadInput) {
    EXPECT_EQ(ParseError("*GEOMOBJECT {\n}\n"), "t.ase:1: not a 3ds Max ASCII export (no \"*3DSMAX_ASCIIEXPORT\" at the start)");
    const std::string head = "*3DSMAX_ASCIIEXPORT 200\n*GEOMOBJECT {\n*MESH {\n*MESH_NUMVERTEX 3\n*MESH_NUMFACES 1\n";
    // A corner outside the vertex list.
    EXPECT_EQ(ParseError(head + "*MESH_FACE_LIST {\n*MESH_FACE 0: A: 0 B: 1 C: 7 AB: 1 BC: 1 CA: 1\n}\n}\n}\n"),
              "t.ase:7: face 0 names vertex 7 of 3");
    // A number that is not one.
    const std::string moreVertices = "*MESH_VERTEX 1 0 0 0\n*MESH_VERTEX 2 0 0 0\n";
    EXPECT_EQ(ParseError(head + "*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 1.0 abc 2.0\n" + moreVertices + "}\n}\n}\n"),
              "t.ase:7: expected a number for Y, found \"abc\"");
    // A face beyond the face count.
    EXPECT_EQ(ParseError(head + "*MESH_FACE_LIST {\n*MESH_FACE 4: A: 0 B: 1 C: 2\n}\n}\n}\n"),
              "t.ase:7: face 4 is outside the 1 faces of *MESH_NUMFACES");
    // An unclosed block, and a material reference with no material.
    EXPECT_NE(ParseError(head + "*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 0 0 0\n" + moreVertices +
                         "}\n*MESH_FACE_LIST {\n*MESH_FACE 0: A: 0 B: 1 C: 2\n}\n")
                  .find("not closed"),
              std::string::npos);
    EXPECT_EQ(ParseError("*3DSMAX_ASCIIEXPORT 200\n*GEOMOBJECT {\n*MATERIAL_REF 2\n}\n"),
              "t.ase:2: object \"\" refers to material 2 of 0");
}

TEST(AseReader, RefusesWhatAFloatOrTheFileCannotHold) {
    const std::string head = "*3DSMAX_ASCIIEXPORT 200\n*GEOMOBJECT {\n*MESH {\n";
    // Counts far beyond what the rest of the file can write, and no data:
    // refused at the count, before anything is reserved for them.
    std::string hostile = "*3DSMAX_ASCIIEXPORT 200\n";
    for (int i = 0; i < 40; ++i)
        hostile += "*GEOMOBJECT {\n*MESH {\n*MESH_NUMVERTEX 10000000\n*MESH_NUMFACES 10000000\n"
                   "*MESH_NUMTVERTEX 10000000\n}\n}\n";
    EXPECT_EQ(ParseError(hostile), "t.ase:4: *MESH_NUMVERTEX 10000000 promises more entries than the rest of the file holds");
    EXPECT_EQ(ParseError(head + "*MESH_NUMVERTEX 1\n*MESH_NUMFACES 100\n*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 0 0 0\n}\n}\n}\n"),
              "t.ase:5: *MESH_NUMFACES 100 promises more entries than the rest of the file holds");
    // Coordinates are checked as the float they become.
    const std::string one = "*MESH_NUMVERTEX 1\n*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 ";
    EXPECT_EQ(ParseError(head + one + "1e300 0 0\n}\n}\n}\n"),
              "t.ase:6: the number \"1e300\" for X does not fit a float");
    EXPECT_EQ(ParseError(head + one + "0 inf 0\n}\n}\n}\n"), "t.ase:6: the number \"inf\" for Y does not fit a float");
    // Entries that do arrive are kept; the lists are as long as their counts.
    MeshModel m = Parse(head + "*MESH_NUMVERTEX 2\n*MESH_VERTEX_LIST {\n*MESH_VERTEX 1 1 2 3\n}\n}\n}\n");
    ASSERT_EQ(m.objects[0].vertices.size(), 2u);
    EXPECT_EQ(m.objects[0].vertices[1].z, 3.0);
    EXPECT_EQ(m.objects[0].vertices[0].x, 0.0);
}
