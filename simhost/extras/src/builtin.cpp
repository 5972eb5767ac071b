// The default scenario: a single-stage spur gearbox with two shaft
// sub-assemblies, each of which places the same bearing unit twice.
#include "simhost/sample_models.h"

namespace simhost {

namespace {

constexpr wchar_t kGearbox[] = LR"(simhost-scenario 1
# Stirnradgetriebe, einstufig: Gehäuse, Antriebs- und Abtriebswelle,
# jede Welle mit zwei gleichen Lagereinheiten.
enumerator snapshot

document Getriebe.asm assembly "Stirnradgetriebe SG-80"
document Antriebswelle.asm assembly "Antriebswelle komplett"
document Abtriebswelle.asm assembly "Abtriebswelle komplett"
document Lagerung.asm assembly "Lagereinheit 6206"
document Gehäuseunterteil.par part "Gehäuseunterteil"
document Gehäusedeckel.par part "Gehäusedeckel"
document Flachdichtung.par part "Flachdichtung"
document Zylinderschraube.par part "Zylinderschraube ISO 4762 M8x30"
document Ölablassschraube.par part "Ölablassschraube M16x1,5"
document Entlüfter.par part "Entlüftungsfilter"
document Lagerdeckel.par part "Lagerdeckel"
document Ritzelwelle.par part "Ritzelwelle z=19"
document Passfeder.par part "Passfeder DIN 6885 A10x8x40"
document Wellendichtring.par part "Radialwellendichtring 30x47x7"
document Welle.par part "Abtriebswelle"
document Stirnrad.par part "Stirnrad z=57"
document Distanzhülse.par part "Distanzhülse"
document Rillenkugellager.par part "Rillenkugellager 6206-2RS"
document Sicherungsring.par part "Sicherungsring DIN 471 30x1,5"

occurrence Lagerung.asm Rillenkugellager:1 Rillenkugellager.par
occurrence Lagerung.asm Sicherungsring:1 Sicherungsring.par
relation Lagerung.asm ground Rillenkugellager:1
relation Lagerung.asm axial Sicherungsring:1 Rillenkugellager:1
relation Lagerung.asm mate Sicherungsring:1 Rillenkugellager:1

occurrence Antriebswelle.asm Ritzelwelle:1 Ritzelwelle.par
occurrence Antriebswelle.asm Lagerung:1 Lagerung.asm
occurrence Antriebswelle.asm Lagerung:2 Lagerung.asm
occurrence Antriebswelle.asm Passfeder:1 Passfeder.par
occurrence Antriebswelle.asm Wellendichtring:1 Wellendichtring.par
relation Antriebswelle.asm ground Ritzelwelle:1
relation Antriebswelle.asm axial Lagerung:1 Ritzelwelle:1
relation Antriebswelle.asm mate Lagerung:1 Ritzelwelle:1
relation Antriebswelle.asm axial Lagerung:2 Ritzelwelle:1
relation Antriebswelle.asm mate Lagerung:2 Ritzelwelle:1
relation Antriebswelle.asm planar Passfeder:1 Ritzelwelle:1
relation Antriebswelle.asm axial Passfeder:1
relation Antriebswelle.asm axial Wellendichtring:1 Ritzelwelle:1

occurrence Abtriebswelle.asm Welle:1 Welle.par
occurrence Abtriebswelle.asm Stirnrad:1 Stirnrad.par
occurrence Abtriebswelle.asm Passfeder:1 Passfeder.par
occurrence Abtriebswelle.asm Distanzhülse:1 Distanzhülse.par
occurrence Abtriebswelle.asm Lagerung:1 Lagerung.asm
occurrence Abtriebswelle.asm Lagerung:2 Lagerung.asm
relation Abtriebswelle.asm axial Stirnrad:1 Welle:1
relation Abtriebswelle.asm angle Stirnrad:1 Passfeder:1
relation Abtriebswelle.asm planar Passfeder:1 Welle:1
relation Abtriebswelle.asm axial Distanzhülse:1 Welle:1
relation Abtriebswelle.asm mate Distanzhülse:1 Stirnrad:1
relation Abtriebswelle.asm axial Lagerung:1 Welle:1
relation Abtriebswelle.asm mate Lagerung:1 Distanzhülse:1
relation Abtriebswelle.asm axial Lagerung:2 Welle:1
relation Abtriebswelle.asm mate Lagerung:2 Welle:1

occurrence Getriebe.asm Gehäuseunterteil:1 Gehäuseunterteil.par
occurrence Getriebe.asm Gehäusedeckel:1 Gehäusedeckel.par
occurrence Getriebe.asm Flachdichtung:1 Flachdichtung.par
occurrence Getriebe.asm Antriebswelle:1 Antriebswelle.asm
occurrence Getriebe.asm Abtriebswelle:1 Abtriebswelle.asm
occurrence Getriebe.asm Lagerdeckel:1 Lagerdeckel.par
occurrence Getriebe.asm Lagerdeckel:2 Lagerdeckel.par
occurrence Getriebe.asm Zylinderschraube:1 Zylinderschraube.par
occurrence Getriebe.asm Zylinderschraube:2 Zylinderschraube.par
occurrence Getriebe.asm Zylinderschraube:3 Zylinderschraube.par
occurrence Getriebe.asm Zylinderschraube:4 Zylinderschraube.par
occurrence Getriebe.asm Ölablassschraube:1 Ölablassschraube.par
occurrence Getriebe.asm Entlüfter:1 Entlüfter.par
relation Getriebe.asm ground Gehäuseunterteil:1
relation Getriebe.asm planar Flachdichtung:1 Gehäuseunterteil:1
relation Getriebe.asm planar Gehäusedeckel:1 Flachdichtung:1
relation Getriebe.asm axial Gehäusedeckel:1 Gehäuseunterteil:1
relation Getriebe.asm angle Gehäusedeckel:1 Gehäuseunterteil:1
relation Getriebe.asm axial Antriebswelle:1 Gehäuseunterteil:1
relation Getriebe.asm mate Antriebswelle:1 Lagerdeckel:1
relation Getriebe.asm axial Abtriebswelle:1 Gehäuseunterteil:1
relation Getriebe.asm mate Abtriebswelle:1 Lagerdeckel:2
relation Getriebe.asm axial Lagerdeckel:1 Gehäuseunterteil:1
relation Getriebe.asm axial Lagerdeckel:2 Gehäuseunterteil:1
relation Getriebe.asm axial Zylinderschraube:1 Gehäusedeckel:1
relation Getriebe.asm mate Zylinderschraube:1 Gehäusedeckel:1
relation Getriebe.asm axial Zylinderschraube:2 Gehäusedeckel:1
relation Getriebe.asm mate Zylinderschraube:2 Gehäusedeckel:1
relation Getriebe.asm axial Zylinderschraube:3 Gehäusedeckel:1
relation Getriebe.asm mate Zylinderschraube:3 Gehäusedeckel:1
relation Getriebe.asm ground Zylinderschraube:4
relation Getriebe.asm axial Ölablassschraube:1 Gehäuseunterteil:1
relation Getriebe.asm mate Entlüfter:1 Gehäusedeckel:1

active Getriebe.asm
)";

}  // namespace

std::wstring_view BuiltInScenarioText() { return kGearbox; }

}  // namespace simhost
