#include "archive/sqlite/gpkg_schema.h"

#include "archive/sqlite/records_table.h"

namespace trackctl {

const char* const kPageSizeSql = "PRAGMA page_size = 8192";

const char* const kCreateArchiveSql = R"sql(
PRAGMA application_id = 1196444487;
PRAGMA user_version = 10300;

CREATE TABLE gpkg_spatial_ref_sys (
  srs_name TEXT NOT NULL,
  srs_id INTEGER NOT NULL PRIMARY KEY,
  organization TEXT NOT NULL,
  organization_coordsys_id INTEGER NOT NULL,
  definition TEXT NOT NULL,
  description TEXT
);
INSERT INTO gpkg_spatial_ref_sys VALUES
  ('Undefined cartesian SRS', -1, 'NONE', -1, 'undefined', 'undefined cartesian coordinate reference system'),
  ('Undefined geographic SRS', 0, 'NONE', 0, 'undefined', 'undefined geographic coordinate reference system'),
  ('WGS 84 geodetic', 4326, 'EPSG', 4326,
   'GEOGCS["WGS 84",DATUM["WGS_1984",SPHEROID["WGS 84",6378137,298.257223563,AUTHORITY["EPSG","7030"]],'
   || 'AUTHORITY["EPSG","6326"]],PRIMEM["Greenwich",0,AUTHORITY["EPSG","8901"]],'
   || 'UNIT["degree",0.0174532925199433,AUTHORITY["EPSG","9122"]],AXIS["Latitude",NORTH],'
   || 'AXIS["Longitude",EAST],AUTHORITY["EPSG","4326"]]',
   'longitude/latitude coordinates in decimal degrees on the WGS 84 spheroid');

CREATE TABLE gpkg_contents (
  table_name TEXT NOT NULL PRIMARY KEY,
  data_type TEXT NOT NULL,
  identifier TEXT UNIQUE,
  description TEXT DEFAULT '',
  last_change DATETIME NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ','now')),
  min_x DOUBLE,
  min_y DOUBLE,
  max_x DOUBLE,
  max_y DOUBLE,
  srs_id INTEGER,
  CONSTRAINT fk_gc_r_srs_id FOREIGN KEY (srs_id) REFERENCES gpkg_spatial_ref_sys(srs_id)
);

CREATE TABLE gpkg_geometry_columns (
  table_name TEXT NOT NULL,
  column_name TEXT NOT NULL,
  geometry_type_name TEXT NOT NULL,
  srs_id INTEGER NOT NULL,
  z TINYINT NOT NULL,
  m TINYINT NOT NULL,
  CONSTRAINT pk_geom_cols PRIMARY KEY (table_name, column_name),
  CONSTRAINT uk_gc_table_name UNIQUE (table_name),
  CONSTRAINT fk_gc_tn FOREIGN KEY (table_name) REFERENCES gpkg_contents(table_name),
  CONSTRAINT fk_gc_srs FOREIGN KEY (srs_id) REFERENCES gpkg_spatial_ref_sys(srs_id)
);

CREATE TABLE gpkg_extensions (
  table_name TEXT,
  column_name TEXT,
  extension_name TEXT NOT NULL,
  definition TEXT NOT NULL,
  scope TEXT NOT NULL,
  CONSTRAINT ge_tce UNIQUE (table_name, column_name, extension_name)
);

-- One row per download; `downloaded` is the downloading machine's local time,
-- as the logger file's name gives it; `records_digest` tells whether a file of
-- the same name holds the same records.
CREATE TABLE downloads (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  file_name TEXT NOT NULL,
  device TEXT NOT NULL,
  sector TEXT NOT NULL,
  downloaded TEXT NOT NULL,
  imported DATETIME NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ', 'now')),
  version TEXT,
  device_type TEXT,
  records_read INTEGER NOT NULL,
  records_new INTEGER NOT NULL,
  records_digest INTEGER,
  UNIQUE (device, sector, downloaded)
);

INSERT INTO gpkg_contents (table_name, data_type, identifier, description, srs_id)
  VALUES ('records', 'features', 'records', 'logger records of every download, each once', 4326);
INSERT INTO gpkg_contents (table_name, data_type, identifier, description)
  VALUES ('downloads', 'attributes', 'downloads', 'the downloads the records came from');
INSERT INTO gpkg_geometry_columns VALUES ('records', 'geom', 'POINT', 4326, 0, 0);

INSERT INTO gpkg_extensions VALUES
  ('records', 'geom', 'gpkg_rtree_index', 'http://www.geopackage.org/spec120/#extension_rtree', 'write-only');
CREATE VIRTUAL TABLE rtree_records_geom USING rtree(id, minx, maxx, miny, maxy);

CREATE TABLE trackctl_schema (version INTEGER NOT NULL);
)sql";

const char* const kRecordsTableSql = R"sql(
-- One row per record. The logger columns carry the names the export gives
-- them; local_time is the date and time as logged (text: it may be no date at
-- all), utc_time its UTC time when valid, a GeoPackage DATETIME
-- (YYYY-MM-DDThh:mm:ss.000Z: the logger counts whole seconds). A record
-- without a valid time or place has no geometry and a problem.
-- record_key is the hash of device, sector and the logger columns, or the next
-- free key after it.
CREATE TABLE records (
  fid INTEGER PRIMARY KEY AUTOINCREMENT,
  geom POINT,
  device TEXT NOT NULL,
  sector TEXT NOT NULL,
  utc_time DATETIME,
  local_time TEXT NOT NULL,
  headCode INTEGER NOT NULL,
  headState INTEGER NOT NULL,
  flagCode INTEGER NOT NULL,
  column4 INTEGER NOT NULL,
  hours INTEGER NOT NULL,
  minutes INTEGER NOT NULL,
  seconds INTEGER NOT NULL,
  day INTEGER NOT NULL,
  month INTEGER NOT NULL,
  year INTEGER NOT NULL,
  longitude REAL NOT NULL,
  latitude REAL NOT NULL,
  byteValue REAL NOT NULL,
  wideValue REAL NOT NULL,
  problem TEXT,
  download_id INTEGER NOT NULL REFERENCES downloads(id),
  record_key INTEGER NOT NULL,
  CONSTRAINT each_record_once UNIQUE (record_key)
);
)sql";

// A device's records by their UTC second: an integer (4 bytes), not the 24
// characters of utc_time, in each entry.
const char* const kRecordsTimeIndexSql =
    "CREATE INDEX records_device_time ON records(device, CAST(strftime('%s', utc_time) AS INTEGER));";

// A second's values in fid order; a time that is not one (NULL) is not found.
std::string PointsSql() {
  return "SELECT substr(utc_time, 1, 19) || 'Z', " + gpkg::LoggerColumnNames() + " FROM records"
    " WHERE device = ?1 AND CAST(strftime('%s', utc_time) AS INTEGER)"
    " BETWEEN CAST(strftime('%s', ?2) AS INTEGER) AND CAST(strftime('%s', ?3) AS INTEGER) AND geom IS NOT NULL"
    " ORDER BY CAST(strftime('%s', utc_time) AS INTEGER), fid";
}

const char* const kSpatialIndexInsertTriggerSql = R"sql(
CREATE TRIGGER rtree_records_geom_insert AFTER INSERT ON records
  WHEN (new.geom NOT NULL AND NOT ST_IsEmpty(NEW.geom))
BEGIN
  INSERT OR REPLACE INTO rtree_records_geom VALUES (
    NEW.fid, ST_MinX(NEW.geom), ST_MaxX(NEW.geom), ST_MinY(NEW.geom), ST_MaxY(NEW.geom));
END;
)sql";

const char* const kSpatialIndexTriggersSql = R"sql(
CREATE TRIGGER rtree_records_geom_update1 AFTER UPDATE OF geom ON records
  WHEN OLD.fid = NEW.fid AND (NEW.geom NOTNULL AND NOT ST_IsEmpty(NEW.geom))
BEGIN
  INSERT OR REPLACE INTO rtree_records_geom VALUES (
    NEW.fid, ST_MinX(NEW.geom), ST_MaxX(NEW.geom), ST_MinY(NEW.geom), ST_MaxY(NEW.geom));
END;

CREATE TRIGGER rtree_records_geom_update2 AFTER UPDATE OF geom ON records
  WHEN OLD.fid = NEW.fid AND (NEW.geom ISNULL OR ST_IsEmpty(NEW.geom))
BEGIN
  DELETE FROM rtree_records_geom WHERE id = OLD.fid;
END;

CREATE TRIGGER rtree_records_geom_update3 AFTER UPDATE OF geom ON records
  WHEN OLD.fid != NEW.fid AND (NEW.geom NOTNULL AND NOT ST_IsEmpty(NEW.geom))
BEGIN
  DELETE FROM rtree_records_geom WHERE id = OLD.fid;
  INSERT OR REPLACE INTO rtree_records_geom VALUES (
    NEW.fid, ST_MinX(NEW.geom), ST_MaxX(NEW.geom), ST_MinY(NEW.geom), ST_MaxY(NEW.geom));
END;

CREATE TRIGGER rtree_records_geom_update4 AFTER UPDATE ON records
  WHEN OLD.fid != NEW.fid AND (NEW.geom ISNULL OR ST_IsEmpty(NEW.geom))
BEGIN
  DELETE FROM rtree_records_geom WHERE id IN (OLD.fid, NEW.fid);
END;

CREATE TRIGGER rtree_records_geom_delete AFTER DELETE ON records
  WHEN old.geom NOT NULL
BEGIN
  DELETE FROM rtree_records_geom WHERE id = OLD.fid;
END;
)sql";

}  // namespace trackctl
