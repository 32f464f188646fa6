#!/usr/bin/env python3
"""Writes the sources of a product package that takes a while to install: the demo product's
codes with many small tile files, each its own component.

    make_tiles_package.py OUTDIR COUNT PRODUCT_CODE

gives OUTDIR/tiles/*.dat and OUTDIR/product_tiles.wxs (file sources relative to OUTDIR, where
wixl must run)."""
import os
import sys

out, count, code = sys.argv[1], int(sys.argv[2]), sys.argv[3]
os.makedirs(os.path.join(out, "tiles"), exist_ok=True)
components, refs = [], []
for i in range(count):
    name = f"t{i:05}.dat"
    with open(os.path.join(out, "tiles", name), "w") as tile:
        tile.write(f"map tile {i}\n" * 64)
    components.append(f'<Component Id="C{i}" Guid="*"><File Id="F{i}" Name="{name}" '
                      f'Source="tiles/{name}" KeyPath="yes"/></Component>')
    refs.append(f'<ComponentRef Id="C{i}"/>')
with open(os.path.join(out, "product_tiles.wxs"), "w") as wxs:
    wxs.write(f"""<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{code}" Name="Example Maps" Language="1033" Version="2.0.0"
           Manufacturer="Korvel" UpgradeCode="5D3A9C21-7E4B-4F0A-8C61-2B9E0D7F4A13">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="product.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProductDir" Name="ExampleMaps"><Directory Id="Tiles" Name="Tiles">
        {"".join(components)}
      </Directory></Directory>
    </Directory>
    <Feature Id="Complete" Level="1">{"".join(refs)}</Feature>
  </Product>
</Wix>
""")
