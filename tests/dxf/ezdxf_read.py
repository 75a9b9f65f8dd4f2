# Reads a DXF file with ezdxf and prints what a reader sees, one item a line:
#   audit <errors> <fixes>
#   layer <name>
#   <TYPE> <layer> <numbers...>
# LINE: start, end; ARC: centre, radius, start and end angle (degrees); CIRCLE: centre,
# radius, extrusion; POINT: location.
import sys

import ezdxf

doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
print("audit", len(auditor.errors), len(auditor.fixes))
for layer in doc.layers:
    print("layer", layer.dxf.name)
for e in doc.modelspace():
    kind = e.dxftype()
    if kind == "LINE":
        nums = [*e.dxf.start, *e.dxf.end]
    elif kind == "ARC":
        nums = [*e.dxf.center, e.dxf.radius, e.dxf.start_angle, e.dxf.end_angle]
    elif kind == "CIRCLE":
        nums = [*e.dxf.center, e.dxf.radius, *e.dxf.extrusion]
    elif kind == "POINT":
        nums = [*e.dxf.location]
    else:
        nums = []
    print(kind, e.dxf.layer, *[repr(float(n)) for n in nums])
