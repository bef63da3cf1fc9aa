// placeholder until the area is written
