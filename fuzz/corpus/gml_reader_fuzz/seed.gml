<?xml version="1.0"?>
<gml spec="1.0">
<tag><header><environment><screenBounds><x>640</x><y>480</y></screenBounds></environment></header>
<drawing>
<!-- a comment -->
<stroke>
<pt><x>0.1</x><y>0.2</y><z>0</z><time>0.5</time></pt>
<pt><x>0.3</x><y>0.4</y><t>1.0</t></pt>
</stroke>
</drawing>
</tag>
</gml>
